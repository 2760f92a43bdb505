#include "bridge/Collation.h"

// To be written.
