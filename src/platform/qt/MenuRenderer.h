#pragma once
// Draws the controller's menu model into a QMenu: the model's order, titles, enabled
// flags, check marks, bold titles, Ctrl shortcuts, separators and submenus, as given.
// A chosen entry is handed back as a copy of its model item.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "app/MenuModel.h"

class QAction;
class QMenu;

namespace tamsel {

class MenuRenderer final : public QObject {
    Q_OBJECT
public:
    using Chosen = std::function<void(const MenuItem&)>;

    // Fills `root`, which must outlive the renderer. `chosen` is called from the event
    // loop after the menu has closed, never from inside the menu's own event handling.
    MenuRenderer(QMenu& root, Chosen chosen);
    ~MenuRenderer() override;

    // Makes the root menu show `menu`, also while it is open. Top-level entries equal to
    // the ones already drawn are kept, the others replaced (one whose line is unchanged
    // keeps its submenu window and gets the new lines in it). Submenus are filled from the
    // kept model when they first open, so a long list renders quickly. Titles are drawn as
    // given (see LineFit.h for fitting them to a line). The root menu scrolls when it is
    // taller than its screen.
    void render(const Menu& menu);
    // The menu last rendered.
    Menu drawn() const;

private:
    // One top-level entry as drawn.
    struct Entry {
        std::shared_ptr<const MenuItem> item;  // the model of the entry and of all its submenus
        QPointer<QAction> action;              // owned by the renderer, or by `submenu`
        QPointer<QMenu> submenu;               // for an entry with a submenu
    };

    // Entries [at, at + oldLength) replaced by the model's [from, from + newLength).
    struct Span {
        size_t at;
        size_t oldLength;
        size_t from;
        size_t newLength;
    };
    void replace(const Span& span, const Menu& menu);
    // Gives the entry `item`, whose line looks as the entry's does: the same submenu window
    // (open or not) gets `item`'s lines.
    void refillSubmenu(Entry& entry, const MenuItem& item);
    // Fills `submenu` with `item`'s lines when it first opens; `keep` holds `item`.
    void fillOnOpen(QMenu& submenu, const MenuItem& item, const std::shared_ptr<const MenuItem>& keep);

    // Inserts `item` into `target` before `before` (null: at the end) and returns its
    // action; a plain action is owned by `owner`. `keep` holds the model `item` lives in.
    QAction* addItem(QMenu& target, QAction* before, const MenuItem& item, QObject& owner,
                     const std::shared_ptr<const MenuItem>& keep, QPointer<QMenu>* submenuOut);

    QMenu& root_;
    Chosen chosen_;
    std::vector<Entry> entries_;
};

}  // namespace tamsel
