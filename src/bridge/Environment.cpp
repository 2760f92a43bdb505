#include "bridge/Environment.h"

// To be written.
