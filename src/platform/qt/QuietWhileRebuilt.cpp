#include "platform/qt/QuietWhileRebuilt.h"

namespace tamsel {

QuietWhileRebuilt::QuietWhileRebuilt(QMenu& menu) : menu_(menu), open_(menu.isVisible()) {
    if (open_) menu_.setAttribute(Qt::WA_WState_Visible, false);
}

bool QuietWhileRebuilt::reopen() {
    if (open_ && !menu_.isVisible()) menu_.setAttribute(Qt::WA_WState_Visible, true);
    return open_;
}

}  // namespace tamsel
