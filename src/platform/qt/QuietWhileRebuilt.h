#pragma once
// Relies on how Qt works inside rather than on its public API (as LaidOutAlready.h and the
// renderer's HeldChanges do too): an open QMenu is flagged not visible (Qt::WA_WState_Visible, an internal widget
// state) while entries are added to it or removed from it.
//
// An open QMenu lays itself out anew, measuring the text of every entry, and repaints
// itself after each single entry added or removed, so inserting or removing n entries in
// a menu on screen costs n layouts of the whole menu. Qt has no public call that batches
// them short of hiding the menu, which would close it under the user. With the flag off,
// QMenu only marks itself for layout; the caller then lays it out once. Only the flag
// changes: the window stays mapped, open and grabbing input, and the rebuild is
// synchronous, so nothing else can observe the flag meanwhile.
//
// QuietWhileRebuilt_test checks each of these on the Qt in use, so that an upgrade that
// changes them fails a test instead of the menu.

#include <QMenu>

namespace tamsel {

class QuietWhileRebuilt {
public:
    explicit QuietWhileRebuilt(QMenu& menu);
    ~QuietWhileRebuilt() { reopen(); }
    QuietWhileRebuilt(const QuietWhileRebuilt&) = delete;
    QuietWhileRebuilt& operator=(const QuietWhileRebuilt&) = delete;

    // True when the menu was open; it is flagged visible again.
    bool reopen();

private:
    QMenu& menu_;
    const bool open_;
};

}  // namespace tamsel
