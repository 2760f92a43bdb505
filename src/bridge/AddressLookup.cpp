#include "bridge/AddressLookup.h"

// To be written.
