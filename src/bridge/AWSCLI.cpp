#include "bridge/AWSCLI.h"

// To be written.
