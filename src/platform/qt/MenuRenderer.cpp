#include "platform/qt/MenuRenderer.h"

#include <QAction>
#include <QFont>
#include <QKeySequence>
#include <QMenu>

namespace tamsel {
namespace {

// Titles are shown literally: '&' would start a mnemonic and a tab would split off a
// shortcut column.
QString literalTitle(const std::string& title) {
    return QString::fromStdString(title).replace('&', "&&").replace('\t', ' ');
}

// Ctrl plus the item's key; an upper-case letter adds Shift.
QKeySequence shortcutFor(char key) {
    if (key >= 'a' && key <= 'z') return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + (key - 'a')));
    if (key >= 'A' && key <= 'Z') return QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key(Qt::Key_A + (key - 'A')));
    if (key >= '0' && key <= '9') return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + (key - '0')));
    return {};
}

// Entries that choose one of several settings, and the login switch, get a check slot
// so the style lines them up; whether the mark shows is the model's `checked` alone.
bool isChoice(MenuAction action) {
    switch (action) {
    case MenuAction::selectProfile:
    case MenuAction::selectRegion:
    case MenuAction::selectIngressLockGroup:
    case MenuAction::toggleLogin:
        return true;
    default:
        return false;
    }
}

void applyLook(QAction& action, const MenuItem& item) {
    action.setText(literalTitle(item.title));
    action.setEnabled(item.enabled);
    action.setCheckable(item.checked || isChoice(item.action));
    action.setChecked(item.checked);
    if (item.bold) {
        QFont font = action.font();
        font.setBold(true);
        action.setFont(font);
    }
    if (item.keyEquivalent != '\0') {
        action.setShortcut(shortcutFor(item.keyEquivalent));
        action.setShortcutVisibleInContextMenu(true);
    }
}

// An open QMenu lays itself out anew, measuring every entry's text, after each single
// entry added or removed: replacing the n entries of a menu on screen would cost n²
// measurements (seconds for a few hundred instances). For the time of a rebuild the menu
// is flagged not visible, so the entries are only marked for layout; it is then laid out
// once. Only the flag changes: the window stays mapped, open and grabbing input, and the
// rebuild is synchronous, so nothing else can observe the flag meanwhile.
class SingleLayout {
public:
    explicit SingleLayout(QMenu& menu) : menu_(menu), visible_(menu.isVisible()) {
        if (visible_) menu_.setAttribute(Qt::WA_WState_Visible, false);
    }
    ~SingleLayout() {
        if (!visible_) return;
        menu_.setAttribute(Qt::WA_WState_Visible, true);
        menu_.resize(menu_.sizeHint());
        menu_.update();
    }
    SingleLayout(const SingleLayout&) = delete;
    SingleLayout& operator=(const SingleLayout&) = delete;

private:
    QMenu& menu_;
    const bool visible_;
};

}  // namespace

MenuRenderer::MenuRenderer(QMenu& root, Chosen chosen) : root_(root), chosen_(std::move(chosen)) {}

MenuRenderer::~MenuRenderer() {
    root_.clear();
    delete build_;
    for (const auto& submenu : submenus_) delete submenu;
}

void MenuRenderer::render(const Menu& menu) {
    for (const auto& submenu : submenus_) {
        // An open submenu of the old build closes now, through QMenu's own hiding, so the
        // root menu above it stays open and shows the new build.
        if (submenu) submenu->hide();
    }

    const SingleLayout layout(root_);
    // The old build may be on screen, or even be what is running this call (a rebuild
    // from aboutToShow): take its entries out of the menu now, delete them later.
    root_.clear();  // removes; deletes nothing, since the entries are not owned by root_
    if (build_) build_->deleteLater();
    for (const auto& submenu : submenus_)
        if (submenu) submenu->deleteLater();
    submenus_.clear();

    model_ = std::make_shared<const Menu>(menu);
    build_ = new QObject(this);
    for (const MenuItem& item : *model_) addItem(root_, item, *build_);
}

void MenuRenderer::fill(QMenu& target, const std::vector<MenuItem>& items, QObject& owner) {
    for (const MenuItem& item : items) addItem(target, item, owner);
}

void MenuRenderer::addItem(QMenu& target, const MenuItem& item, QObject& owner) {
    if (item.separator) {
        auto* separator = new QAction(&owner);
        separator->setSeparator(true);
        target.addAction(separator);
        return;
    }
    if (item.hasSubmenu) {
        // Parented to the menu that shows it, so it opens beside it and dies with it.
        auto* submenu = new QMenu(&target);
        QAction* action = submenu->menuAction();
        applyLook(*action, item);
        target.addAction(action);
        if (&target == &root_) submenus_.emplace_back(submenu);
        // The model stays alive as long as any of its menus may still open.
        connect(submenu, &QMenu::aboutToShow, this, [this, submenu, model = model_, &item] {
            if (!submenu->actions().isEmpty()) return;
            fill(*submenu, item.submenu, *submenu);
        });
        return;
    }
    auto* action = new QAction(&owner);
    applyLook(*action, item);
    connect(action, &QAction::triggered, this, [this, model = model_, &item] {
        // Queued: the menu closes first, so a modal alert the choice opens is not raised
        // from inside the menu's event handling.
        QMetaObject::invokeMethod(
            this, [this, model, &item] { chosen_(MenuItem(item)); }, Qt::QueuedConnection);
    });
    target.addAction(action);
}

}  // namespace tamsel
