#include "app/AppDelegate.h"

// To be written.
