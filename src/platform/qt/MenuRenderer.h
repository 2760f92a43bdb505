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

    // Replaces the whole content of the root menu, also while it is open. Submenus are
    // filled from the kept model when they first open, so a long list renders quickly.
    void render(const Menu& menu);

private:
    void fill(QMenu& target, const std::vector<MenuItem>& items, QObject& owner);
    void addItem(QMenu& target, const MenuItem& item, QObject& owner);

    QMenu& root_;
    Chosen chosen_;
    std::shared_ptr<const Menu> model_;
    // Owns the plain actions of the current build.
    QPointer<QObject> build_;
    // The top-level submenus of the current build (each owns its own nested ones).
    std::vector<QPointer<QMenu>> submenus_;
};

}  // namespace tamsel
