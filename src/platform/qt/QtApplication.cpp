#include "platform/qt/QtApplication.h"

#include <QCoreApplication>

namespace tamsel {

void QtApplication::quit() { QCoreApplication::quit(); }

std::chrono::system_clock::time_point QtApplication::now() const { return std::chrono::system_clock::now(); }

}  // namespace tamsel
