#include "bridge/IngressPermission.h"

// To be written.
