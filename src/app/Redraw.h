#pragma once
// The one way a part of the controller asks for the tray menu to be drawn anew: a function
// the controller hands to each part, which calls it on the main thread whenever something
// the menu shows has changed.

#include <functional>

namespace tamsel {

using Redraw = std::function<void()>;

}  // namespace tamsel
