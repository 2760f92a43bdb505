#include "platform/qt/MenuShortcuts.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>

namespace tamsel {

MenuShortcuts::MenuShortcuts(QMenu& menu) : menu_(menu) {
    // Key presses are looked at only while the menu is open.
    connect(&menu_, &QMenu::aboutToShow, this, [this] { qApp->installEventFilter(this); });
    connect(&menu_, &QMenu::aboutToHide, this, [this] { qApp->removeEventFilter(this); });
}

bool MenuShortcuts::isOpenHere() const {
    // Submenus are children of the menu that shows them, each in a window of its own.
    for (const QWidget* popup = QApplication::activePopupWidget(); popup; popup = popup->parentWidget())
        if (popup == &menu_) return true;
    return false;
}

bool MenuShortcuts::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !isOpenHere()) return QObject::eventFilter(watched, event);
    const QKeySequence pressed(static_cast<QKeyEvent*>(event)->keyCombination());
    for (QAction* action : menu_.actions()) {
        if (!action->isEnabled() || action->shortcut().isEmpty()) continue;
        if (action->shortcut().matches(pressed) != QKeySequence::ExactMatch) continue;
        // As a click does: the menu closes, then the entry acts.
        menu_.hide();
        action->trigger();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace tamsel
