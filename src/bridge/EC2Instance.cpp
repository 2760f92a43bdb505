#include "bridge/EC2Instance.h"

// To be written.
