#pragma once
// The desktop's clipboard through Qt.

#include "app/Platform.h"

namespace tamsel {

class QtClipboard final : public Clipboard {
public:
    // Sets the clipboard, and the primary selection where the window system has one (X11),
    // so that both Ctrl+V and a middle click paste the text.
    void setText(const std::string& text) override;
};

}  // namespace tamsel
