#pragma once
// Why a settings file cannot be written, found by trying the steps of writing it.

#include <string>

namespace tamsel {

// The system's reason (strerror text) why `file` cannot be written: its folder cannot be
// made, it cannot be opened for writing, or no file can be made and written beside it (as
// the new copy and the lock file of a settings write are). A fixed text when every step
// succeeds.
std::string settingsFileWriteFailure(const std::string& file);

}  // namespace tamsel
