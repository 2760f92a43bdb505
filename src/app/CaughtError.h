#pragma once
// Turning whatever a job threw into the one error type the controller keeps and shows.

#include "bridge/AWSError.h"

namespace tamsel {

// The exception being handled, as the application shows it: an AWSError as it is, any
// other std::exception as `failed` with its what(), anything else as `failed` with a
// fixed text. Call only inside a catch block.
AWSError caughtError();

}  // namespace tamsel
