#pragma once
// Relies on how QMenu works inside: its layout of lines depends on its lines, its font and
// its screen, not on its own size, yet it lays itself out anew, measuring the text of every
// line, on each resize. Where the renderer has just laid a menu out (to learn its new size)
// and then resizes it, that second layout of a long list costs as much as the first. While
// this object lives, the menu does not hear of its resizes: its window and what it paints
// follow the new size all the same.
//
// LaidOutAlready_test checks on the Qt in use that the layout does not depend on the size,
// so that an upgrade that changes it fails a test instead of the menu.

#include <QEvent>
#include <QMenu>

namespace tamsel {

class LaidOutAlready final : public QObject {
public:
    explicit LaidOutAlready(QMenu& menu) : menu_(menu) { menu_.installEventFilter(this); }
    ~LaidOutAlready() override { menu_.removeEventFilter(this); }
    LaidOutAlready(const LaidOutAlready&) = delete;
    LaidOutAlready& operator=(const LaidOutAlready&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Resize; }

private:
    QMenu& menu_;
};

}  // namespace tamsel
