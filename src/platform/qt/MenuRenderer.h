#pragma once
// Draws the controller's menu model into a QMenu: the model's order, titles, enabled
// flags, check marks, bold titles, Ctrl shortcuts, separators and submenus, as given; an
// entry the model hides is not shown.
// A chosen entry is handed back as a copy of its model item.

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <vector>

#include "app/MenuModel.h"
#include "platform/qt/MenuEdits.h"

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

    // Makes the root menu show `menu`, also while it is open. It changes only what changed,
    // because an open menu that is rebuilt closes its submenus under the user and lays out
    // every line again, which a long list makes slow; submenus are filled when they first
    // open for the same reason. Titles are drawn as given (LineFit.h fits them to a line), a
    // leading state dot as the line's icon (StateDot.h). The root menu scrolls when it is
    // taller than its screen.
    // The entries take their items from `menu` rather than copying them.
    void render(Menu menu);

private:
    // One top-level entry as drawn.
    struct Entry {
        std::shared_ptr<const MenuItem> item;  // the model of the entry and of all its submenus
        QPointer<QAction> action;              // owned by the renderer, or by `submenu`
        QPointer<QMenu> submenu;               // for an entry with a submenu
    };

    // Makes the root menu show `menu` (render); the items it takes are moved out of `menu`.
    void draw(Menu& menu);
    // Applies `edits` (MenuEdits.h), which lead from the entries drawn to `menu`; the items
    // the edits bring in are moved out of `menu`.
    void apply(const std::vector<MenuEdit>& edits, Menu& menu);
    // Has `entry` show `item` with its action and its submenu window, as `edit` says.
    void update(Entry& entry, MenuItem&& item, const MenuEdit& edit);
    // Gives the entry `item`, whose line looks as the entry's does: the same submenu window
    // (open or not) gets `item`'s lines.
    void refillSubmenu(Entry& entry, MenuItem&& item);
    // Frees what the landings since the last release left unused.
    void releaseUnused();
    // Fills the submenu of a root entry with the lines of the entry's item when it first opens.
    void fillFromEntryOnOpen(QMenu& submenu);
    // Fills `submenu` with `item`'s lines when it first opens; `keep` holds `item`.
    void fillOnOpen(QMenu& submenu, const MenuItem& item, const std::shared_ptr<const MenuItem>& keep);

    // Hands a copy of `item` to `chosen` when `action` is triggered; `keep` holds `item`.
    void deliverOnTrigger(QAction& action, const MenuItem& item, const std::shared_ptr<const MenuItem>& keep);
    // Adds the lines of `item`'s submenu that are shown to `submenu`; `keep` holds `item`.
    void addLines(QMenu& submenu, const MenuItem& item, const std::shared_ptr<const MenuItem>& keep);
    // Inserts `item` into `target` before `before` (null: at the end) and returns its
    // action; a plain action is owned by `owner`. `keep` holds the model `item` lives in.
    QAction* addItem(QMenu& target, QAction* before, const MenuItem& item, QObject& owner,
                     const std::shared_ptr<const MenuItem>& keep, QPointer<QMenu>* submenuOut);

    QMenu& root_;
    Chosen chosen_;
    std::vector<Entry> entries_;
    // What the landings left unused: their models and the items the entries replaced.
    std::vector<Menu> unused_;
    std::vector<std::shared_ptr<const MenuItem>> replaced_;
    bool releaseQueued_ = false;  // a release waits for the event loop
    // Emptied submenus of root lines that went, children of the root menu, for lines that come.
    std::vector<QPointer<QMenu>> spareSubmenus_;
};

}  // namespace tamsel
