#pragma once
// Draws the controller's menu model into a QMenu: the model's order, titles, enabled
// flags, check marks, bold titles, Ctrl shortcuts, separators and submenus, as given.
// A chosen entry is handed back as a copy of its model item.

#include <QFont>
#include <QFontMetrics>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
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
    // the ones already drawn are kept, the others replaced. Submenus are filled from the
    // kept model when they first open, so a long list renders quickly. A top-level title
    // too wide for a line is shortened in the middle there and shown whole as its tooltip.
    // The root menu scrolls when it is taller than its screen.
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

    // Inserts `item` into `target` before `before` (null: at the end) and returns its
    // action; a plain action is owned by `owner`. `keep` holds the model `item` lives in.
    QAction* addItem(QMenu& target, QAction* before, const MenuItem& item, QObject& owner,
                     const std::shared_ptr<const MenuItem>& keep, QPointer<QMenu>* submenuOut);

    // The metrics a line of `target` is measured with when it may be shortened: those of
    // the root menu's font, kept between lines; null for the lines of submenus.
    const QFontMetrics* lineMetrics(const QMenu& target);

    struct FontMetrics {
        explicit FontMetrics(const QFont& f) : font(f), metrics(f) {}
        QFont font;
        QFontMetrics metrics;
    };

    QMenu& root_;
    Chosen chosen_;
    std::optional<FontMetrics> rootMetrics_;
    std::vector<Entry> entries_;
};

}  // namespace tamsel
