#include "platform/qt/MenuRenderer.h"

#include <QAction>
#include <QFontMetrics>
#include <QEvent>
#include <QFont>
#include <QKeySequence>
#include <QMenu>
#include <QSignalBlocker>
#include <algorithm>
#include <malloc.h>

#include "platform/qt/LaidOutAlready.h"
#include "platform/qt/MenuEdits.h"
#include "platform/qt/QuietWhileRebuilt.h"
#include "platform/qt/ReleasingMenu.h"
#include "platform/qt/ScrollingMenuStyle.h"
#include "platform/qt/StateDot.h"

namespace tamsel {
namespace {

// Titles are shown literally: a tab would split off a shortcut column.
QString plainTitle(const std::string& title) { return QString::fromStdString(title).replace('\t', ' '); }

// Qt's access-key marker '&' is doubled, so that the title shows as it is.
QString writtenForQt(QString title) { return title.replace('&', "&&"); }
// glibc keeps the memory that a refresh freed (the tool's output, its reading, the model,
// the replaced entries, Qt's layout and painting of the open menu) inside its heap,
// scattered between live blocks, where it would count as the application's for good: for
// 50 instances it grew by about 20 MiB over the first 50 refreshes. malloc_trim gives
// those pages back to the system, cheaply next to the rendering (docs/performance.md).
// It runs as soon as the event loop is back from the landing (the menu painted, the
// replaced entries deleted): held back for a while, the pages of each landing stayed while
// the next refreshes (a menu opened again at once) took new ones, up to 17 MiB more.
// Ctrl plus the item's key, a lower-case letter.
QKeySequence shortcutFor(char key) {
    if (key >= 'a' && key <= 'z') return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + (key - 'a')));
    return {};
}

// Entries that choose one of several settings, and the two switches, get a check slot
// so the style lines them up; whether the mark shows is the model's `checked` alone.
bool isChoice(MenuAction action) {
    switch (action) {
        case MenuAction::selectProfile:
        case MenuAction::selectRegion:
        case MenuAction::selectIngressLockGroup:
        case MenuAction::toggleLogin:
        case MenuAction::toggleFavouritesOnly: return true;
        default: return false;
    }
}

// The text QMenu measures and draws for `item`: its title; the state dot is the line's
// icon (StateDot.h).
QString lineText(const MenuItem& item) { return writtenForQt(plainTitle(item.title)); }

// Sets every part of the line, so that an action drawn for one item can show another.
// Qt sends the menu a change only for a part that differs.
void applyLook(QAction& action, const MenuItem& item) {
    action.setText(lineText(item));
    const QIcon icon = stateDotIcon(item.dot);
    if (action.icon().cacheKey() != icon.cacheKey()) action.setIcon(icon);
    action.setEnabled(item.enabled);
    action.setCheckable(item.checked || isChoice(item.action));
    action.setChecked(item.checked);
    if (action.font().bold() != item.bold) {
        QFont font = action.font();
        font.setBold(item.bold);
        action.setFont(font);
    }
    const QKeySequence shortcut = item.keyEquivalent != '\0' ? shortcutFor(item.keyEquivalent) : QKeySequence();
    if (action.shortcut() != shortcut) action.setShortcut(shortcut);
    action.setShortcutVisibleInContextMenu(item.keyEquivalent != '\0');
}

// Refreshes change a few texts and marks far more often than anything else: the
// last-update line, an instance's state. For those, laying out the whole open menu again
// (measuring the text of every line) would cost far more than the change. This holds back
// the menu's notices of changed entries while lines are edited in place, so that the
// menu keeps its layout and only the edited lines are painted again. Relies on how QMenu
// works inside: it draws each line from its action when it paints it, and lays itself out
// anew only on that notice. Used only where each edited line still fits the place the
// layout gave it.
class HeldChanges final : public QObject {
public:
    explicit HeldChanges(QMenu& menu) : menu_(menu) { menu_.installEventFilter(this); }
    ~HeldChanges() override { menu_.removeEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ActionChanged; }

private:
    QMenu& menu_;
};

// Lines edited in place in an open menu that need no layout: as many entries, none of
// them of another kind, and every new text at most as wide as the old one. A few lines
// only: measuring many would cost what a layout does.
constexpr size_t kLinesEditedInPlace = 16;

bool fitsInPlace(const std::vector<MenuEdit>& edits, const std::vector<const MenuItem*>& drawn, const Menu& next,
                 const QMenu& menu, const std::vector<QAction*>& actions) {
    size_t looks = 0;
    for (const MenuEdit& edit : edits) {
        if (edit.kind != MenuEdit::Kind::update) return false;
        if (!edit.lineChanged) continue;
        if (++looks > kLinesEditedInPlace) return false;
        const MenuItem& was = *drawn[edit.at];
        const MenuItem& now = next[edit.from];
        if (was.bold != now.bold || was.keyEquivalent != now.keyEquivalent ||
            (was.dot == StateDot::none) != (now.dot == StateDot::none) ||
            (was.checked || isChoice(was.action)) != (now.checked || isChoice(now.action)))
            return false;
        if (was.title == now.title) continue;
        // Measured as QMenu measures a line.
        const QFontMetrics metrics(actions[edit.at]->font().resolve(menu.font()));
        const auto width = [&](const MenuItem& item) {
            return metrics.boundingRect(QRect(), Qt::TextSingleLine | Qt::TextShowMnemonic, lineText(item)).width();
        };
        if (width(now) > width(was)) return false;
    }
    return true;
}

// Takes `submenu`'s lines out; they and their own submenus go once the event loop is back:
// one of them may be what is running now.
void takeOutLines(QMenu& submenu) {
    for (QAction* action : submenu.actions()) {
        submenu.removeAction(action);
        if (QMenu* nested = action->menu(); nested && nested->parent() == &submenu) nested->deleteLater();
        else if (action->parent() == &submenu) action->deleteLater();
    }
}

}  // namespace

MenuRenderer::MenuRenderer(QMenu& root, Chosen chosen) : root_(root), chosen_(std::move(chosen)) {
    root_.setStyle(&ScrollingMenuStyle::instance());
}

MenuRenderer::~MenuRenderer() {
    root_.clear();
    for (const Entry& entry : entries_) {
        if (entry.submenu) delete entry.submenu;  // and with it its action and everything in it
        else delete entry.action;
    }
    for (const QPointer<QMenu>& spare : spareSubmenus_) delete spare;
}

void MenuRenderer::render(Menu menu) {
    // A hidden entry is not drawn at all: the accessibility bus lists a menu's every action.
    std::erase_if(menu, [](const MenuItem& item) { return !item.visible; });
    draw(menu);
    // An empty menu (one given back while closed) keeps no spare submenus either.
    if (entries_.empty()) {
        for (const QPointer<QMenu>& spare : spareSubmenus_)
            if (spare) spare->deleteLater();
        spareSubmenus_.clear();
    }
    // What is left of `menu` and the items the entries no longer show are freed once the
    // menu has been painted and the event loop has deleted the replaced entries, not while
    // the user waits for the landing; the landings of one moment share one release.
    unused_.push_back(std::move(menu));
    if (releaseQueued_) return;
    releaseQueued_ = true;
    // Queued behind the paint and the deletions the drawing posted; dropped with the renderer.
    QMetaObject::invokeMethod(this, &MenuRenderer::releaseUnused, Qt::QueuedConnection);
}

void MenuRenderer::releaseUnused() {
    releaseQueued_ = false;
    unused_.clear();
    replaced_.clear();
    malloc_trim(0);
}

void MenuRenderer::draw(Menu& menu) {
    // Entries equal to the ones drawn stay as they are (an open submenu among them stays
    // open); entries that act on the same thing as before, or take the place of one of
    // their kind, keep their action and their submenu window and only show the new item;
    // the others come or go. A refresh usually changes a line or two, and leaving the rest
    // alone spares creating and deleting a window per instance and keeps the user's place.
    std::vector<const MenuItem*> drawn;
    std::vector<bool> linesBuilt;
    std::vector<QAction*> actions;
    drawn.reserve(entries_.size());
    linesBuilt.reserve(entries_.size());
    actions.reserve(entries_.size());
    for (const Entry& entry : entries_) {
        drawn.push_back(entry.item.get());
        linesBuilt.push_back(entry.submenu && !entry.submenu->actions().isEmpty());
        actions.push_back(entry.action);
    }
    const std::vector<MenuEdit> edits = menuEdits(drawn, linesBuilt, menu);
    if (edits.empty()) return;

    if (root_.isVisible() && fitsInPlace(edits, drawn, menu, root_, actions)) {
        {
            const HeldChanges held(root_);
            apply(edits, menu);
        }
        for (const MenuEdit& edit : edits)
            if (edit.lineChanged) root_.update(root_.actionGeometry(entries_[edit.at].action));
        return;
    }

    QuietWhileRebuilt quiet(root_);
    const QSize size = root_.size();
    apply(edits, menu);
    if (!quiet.reopen()) return;

    // Lines edited in place in a menu that keeps its size leave every other line where it
    // was: only theirs are repainted (repainting the whole list would shape every line's
    // text again).
    const bool sameEntries = std::all_of(edits.begin(), edits.end(),
                                         [](const MenuEdit& edit) { return edit.kind == MenuEdit::Kind::update; });
    const QSize laidOut = ScrollingMenuStyle::sizeOnScreen(root_);
    if (laidOut == size && sameEntries) {
        for (const MenuEdit& edit : edits)
            if (edit.lineChanged) root_.update(root_.actionGeometry(entries_[edit.at].action));
    } else if (root_.sizeHint().height() > laidOut.height()) {
        // Taller than its screen: QMenu sets up its scrolling only as it pops up, so it pops
        // up again where it is (back at its first line), without telling those who listen
        // for it opening, since it did not.
        const QSignalBlocker quietly(root_);
        const LaidOutAlready laidOutAlready(root_);
        root_.popup(root_.pos());
    } else {
        const LaidOutAlready laidOutAlready(root_);
        root_.resize(laidOut);
        root_.update();
    }
}

void MenuRenderer::apply(const std::vector<MenuEdit>& edits, Menu& menu) {
    for (const MenuEdit& edit : edits) {
        const auto place = entries_.begin() + static_cast<std::ptrdiff_t>(edit.at);
        switch (edit.kind) {
            case MenuEdit::Kind::remove:
                // It may be on screen, or even be what is running this call (a rebuild from
                // aboutToShow): taken out of the menu now, deleted later. An open submenu closes
                // through QMenu's own hiding, so the menu above it stays open.
                if (place->action) root_.removeAction(place->action);
                if (place->submenu) {
                    // Kept, emptied, for a line that comes: creating a menu per instance line
                    // is most of what a list landing after 「読み込み中…」 costs.
                    place->submenu->hide();
                    disconnect(place->submenu, &QMenu::aboutToShow, this, nullptr);
                    takeOutLines(*place->submenu);
                    spareSubmenus_.push_back(place->submenu);
                } else if (place->action) {
                    place->action->deleteLater();
                }
                replaced_.push_back(std::move(place->item));
                entries_.erase(place);
                break;
            case MenuEdit::Kind::insert: {
                QAction* const before = place != entries_.end() ? place->action.data() : nullptr;
                // Each entry keeps its item, taken from the model: clicks and submenus read from it.
                Entry entry{std::make_shared<const MenuItem>(std::move(menu[edit.from])), nullptr, nullptr};
                entry.action = addItem(root_, before, *entry.item, *this, entry.item, &entry.submenu);
                entries_.insert(place, std::move(entry));
                break;
            }
            case MenuEdit::Kind::update: update(*place, std::move(menu[edit.from]), edit); break;
        }
    }
}

void MenuRenderer::update(Entry& entry, MenuItem&& item, const MenuEdit& edit) {
    if (edit.lineChanged) applyLook(*entry.action, item);
    if (entry.submenu) {
        // Open on another instance's lines, it closes: what the user was about to choose
        // is not there any more.
        if (!edit.actsOnSame) entry.submenu->hide();
        if (edit.submenuChanged) {
            refillSubmenu(entry, std::move(item));
            return;
        }
        // Its lines are equal: those already built stay, and so does what fills it.
        replaced_.push_back(std::move(entry.item));
        entry.item = std::make_shared<const MenuItem>(std::move(item));
        return;
    }
    replaced_.push_back(std::move(entry.item));
    entry.item = std::make_shared<const MenuItem>(std::move(item));
    disconnect(entry.action, &QAction::triggered, this, nullptr);
    deliverOnTrigger(*entry.action, *entry.item, entry.item);
}

void MenuRenderer::fillOnOpen(QMenu& submenu, const MenuItem& item, const std::shared_ptr<const MenuItem>& keep) {
    // Filled when it first opens. The item stays alive as long as the menu may open.
    connect(&submenu, &QMenu::aboutToShow, this, [this, &submenu, keep, &item] {
        if (!submenu.actions().isEmpty()) return;
        addLines(submenu, item, keep);
    });
}

void MenuRenderer::fillFromEntryOnOpen(QMenu& submenu) {
    // Filled when it first opens, from the item its entry holds then: a landing hands an
    // entry whose lines are not built its new item, and nothing else.
    connect(&submenu, &QMenu::aboutToShow, this, [this, &submenu] {
        if (!submenu.actions().isEmpty()) return;
        const auto entry = std::find_if(entries_.begin(), entries_.end(),
                                        [&submenu](const Entry& candidate) { return candidate.submenu == &submenu; });
        if (entry == entries_.end()) return;
        const std::shared_ptr<const MenuItem> item = entry->item;
        addLines(submenu, *item, item);
    });
}

void MenuRenderer::refillSubmenu(Entry& entry, MenuItem&& item) {
    QMenu& submenu = *entry.submenu;
    replaced_.push_back(std::move(entry.item));
    entry.item = std::make_shared<const MenuItem>(std::move(item));
    // Not built yet: it builds its lines from the new item when it opens.
    if (submenu.actions().isEmpty()) return;
    // Built before: build them again now, so that an open one shows its new lines.
    takeOutLines(submenu);
    addLines(submenu, *entry.item, entry.item);
}

void MenuRenderer::addLines(QMenu& submenu, const MenuItem& item, const std::shared_ptr<const MenuItem>& keep) {
    // A hidden line gets no action (see render); a submenu is built anew whenever its lines change.
    for (const MenuItem& child : item.submenu)
        if (child.visible) addItem(submenu, nullptr, child, submenu, keep, nullptr);
}

QAction* MenuRenderer::addItem(QMenu& target, QAction* before, const MenuItem& item, QObject& owner,
                               const std::shared_ptr<const MenuItem>& keep, QPointer<QMenu>* submenuOut) {
    if (item.separator) {
        auto* separator = new QAction(&owner);
        separator->setSeparator(true);
        target.insertAction(before, separator);
        return separator;
    }
    if (item.hasSubmenu()) {
        // Parented to the menu that shows it, so it opens beside it and dies with it. A line
        // of the root menu takes a spare one if there is one.
        QMenu* submenu = nullptr;
        while (&target == &root_ && !submenu && !spareSubmenus_.empty()) {
            submenu = spareSubmenus_.back();
            spareSubmenus_.pop_back();
        }
        if (!submenu) submenu = new ReleasingMenu(&target);
        QAction* action = submenu->menuAction();
        applyLook(*action, item);
        target.insertAction(before, action);
        if (submenuOut) *submenuOut = submenu;
        if (&target == &root_) fillFromEntryOnOpen(*submenu);
        else fillOnOpen(*submenu, item, keep);
        return action;
    }
    auto* action = new QAction(&owner);
    applyLook(*action, item);
    deliverOnTrigger(*action, item, keep);
    target.insertAction(before, action);
    return action;
}

void MenuRenderer::deliverOnTrigger(QAction& action, const MenuItem& item,
                                    const std::shared_ptr<const MenuItem>& keep) {
    connect(&action, &QAction::triggered, this, [this, action = &action, keep, &item] {
        // Qt has just flipped the mark of a checkable entry. The mark says what the model
        // says, and only a new model changes it: an action that is cancelled, fails or
        // chooses what was already chosen leaves an equal model, and so this very action.
        action->setChecked(item.checked);
        // Queued: the menu closes first, so a modal alert the choice opens is not raised
        // from inside the menu's event handling.
        const auto choose = [this, keep, &item] { chosen_(MenuItem(item)); };
        QMetaObject::invokeMethod(this, choose, Qt::QueuedConnection);
    });
}

}  // namespace tamsel
