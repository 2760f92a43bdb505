#include "bridge/ChildProcess.h"

// To be written.
