#include "platform/qt/MenuRenderer.h"

#include <QAction>
#include <QFont>
#include <QKeySequence>
#include <QMenu>
#include <QSignalBlocker>
#include <QTimer>
#include <algorithm>
#include <malloc.h>

#include "platform/qt/ReleasingMenu.h"
#include "platform/qt/ScrollingMenuStyle.h"

namespace tamsel {
namespace {

// Titles are shown literally: a tab would split off a shortcut column.
QString plainTitle(const std::string& title) { return QString::fromStdString(title).replace('\t', ' '); }

// Qt's access-key marker '&' is doubled, so that the title shows as it is.
QString writtenForQt(QString title) { return title.replace('&', "&&"); }
// Menus of this many entries or more hand freed memory back after each rendering.
constexpr size_t kEntriesForTrim = 100;

// glibc keeps the memory that a refresh of a long list freed (the tool's output, its
// reading, the model, the replaced entries) inside its heap, scattered between live
// blocks: some 4 MiB for 1,000 instances, after each refresh. malloc_trim gives those
// pages back to the system, in about half a millisecond of CPU. Run once the event loop
// has deleted the replaced entries.
void trimFreedMemoryLater() {
    QTimer::singleShot(std::chrono::milliseconds(200), [] { malloc_trim(0); });
}

// Ctrl plus the item's key, a lower-case letter.
QKeySequence shortcutFor(char key) {
    if (key >= 'a' && key <= 'z') return QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_A + (key - 'a')));
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
    action.setText(writtenForQt(plainTitle(item.title)));
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

// An open QMenu lays itself out anew, measuring every entry's text, and repaints itself
// whole after each single entry added or removed: replacing the n entries of a menu on
// screen would cost n² measurements (seconds for a few hundred instances). For the time
// of a rebuild the menu is flagged not visible, so the entries are only marked for layout;
// the renderer then lays it out and repaints it once. Only the flag changes: the window
// stays mapped, open and grabbing input, and the rebuild is synchronous, so nothing else
// can observe the flag meanwhile.
class QuietWhileRebuilt {
public:
    explicit QuietWhileRebuilt(QMenu& menu) : menu_(menu), open_(menu.isVisible()) {
        if (open_) menu_.setAttribute(Qt::WA_WState_Visible, false);
    }
    ~QuietWhileRebuilt() { reopen(); }
    QuietWhileRebuilt(const QuietWhileRebuilt&) = delete;
    QuietWhileRebuilt& operator=(const QuietWhileRebuilt&) = delete;

    // True when the menu was open; it is flagged visible again.
    bool reopen() {
        if (open_ && !menu_.isVisible()) menu_.setAttribute(Qt::WA_WState_Visible, true);
        return open_;
    }

private:
    QMenu& menu_;
    const bool open_;
};

// Whether `a` and `b` differ only in what their submenus hold, both having one.
bool onlySubmenuDiffers(const MenuItem& a, const MenuItem& b) {
    if (a.submenu.empty() || b.submenu.empty()) return false;
    MenuItem left = a;
    left.submenu = b.submenu;
    return left == b;
}

}  // namespace

MenuRenderer::MenuRenderer(QMenu& root, Chosen chosen) : root_(root), chosen_(std::move(chosen)) {
    root_.setStyle(&ScrollingMenuStyle::instance());
}

MenuRenderer::~MenuRenderer() {
    root_.clear();
    for (const Entry& entry : entries_) {
        if (entry.submenu)
            delete entry.submenu;  // and with it its action and everything in it
        else
            delete entry.action;
    }
}

void MenuRenderer::render(const Menu& menu) {
    // Entries equal to the ones drawn stay as they are (an open submenu among them stays
    // open); only the others are replaced. A refresh usually changes a line or two, and
    // leaving the rest alone spares creating and deleting a window per instance and keeps
    // the user's place. Equal entries are matched at the start and at the end of both
    // lists; between them, lists of equal length are compared place by place (lines that
    // changed), others replaced as a whole (lines added or removed).
    const size_t oldCount = entries_.size();
    const size_t newCount = menu.size();
    size_t head = 0;
    while (head < oldCount && head < newCount && *entries_[head].item == menu[head]) ++head;
    size_t tail = 0;
    while (tail < oldCount - head && tail < newCount - head &&
           *entries_[oldCount - 1 - tail].item == menu[newCount - 1 - tail])
        ++tail;
    if (head == oldCount && oldCount == newCount) return;

    std::vector<Span> spans;
    if (oldCount == newCount) {
        for (size_t i = head; i < oldCount - tail; ++i) {
            if (*entries_[i].item == menu[i]) continue;
            // A line that only gained other submenu lines (how long it has been running)
            // keeps its place and its submenu, open or not.
            if (onlySubmenuDiffers(*entries_[i].item, menu[i]) && entries_[i].submenu)
                refillSubmenu(entries_[i], menu[i]);
            else
                spans.push_back({i, 1, i, 1});
        }
        if (spans.empty()) return;
    } else {
        spans.push_back({head, oldCount - head - tail, head, newCount - head - tail});
    }

    for (const Span& span : spans) {
        for (size_t i = span.at; i < span.at + span.oldLength; ++i) {
            // An open submenu of a replaced entry closes now, through QMenu's own hiding,
            // so the root menu above it stays open and shows the new entries.
            if (entries_[i].submenu) entries_[i].submenu->hide();
        }
    }
    if (std::max(oldCount, newCount) >= kEntriesForTrim) trimFreedMemoryLater();

    QuietWhileRebuilt quiet(root_);
    const QSize size = root_.size();
    // From the last span to the first, so the places of those still to do stay put.
    for (auto span = spans.rbegin(); span != spans.rend(); ++span) replace(*span, menu);
    if (!quiet.reopen()) return;

    // Lines replaced in place in a menu that keeps its size leave every other line where
    // it was: only theirs are repainted (a refresh changes the last-update line and a
    // state or two, and repainting the whole list would shape every line's text again).
    const QSize laidOut = ScrollingMenuStyle::sizeOnScreen(root_);
    if (laidOut == size && oldCount == newCount) {
        for (const Span& span : spans) root_.update(root_.actionGeometry(entries_[span.at].action));
    } else if (root_.sizeHint().height() > laidOut.height()) {
        // Taller than its screen: QMenu sets up its scrolling only as it pops up, so it pops
        // up again where it is (back at its first line), without telling those who listen
        // for it opening, since it did not.
        const QSignalBlocker quietly(root_);
        root_.popup(root_.pos());
    } else {
        root_.resize(laidOut);
        root_.update();
    }
}

Menu MenuRenderer::drawn() const {
    Menu menu;
    menu.reserve(entries_.size());
    for (const Entry& entry : entries_) menu.push_back(*entry.item);
    return menu;
}

void MenuRenderer::replace(const Span& span, const Menu& menu) {
    const auto first = entries_.begin() + static_cast<std::ptrdiff_t>(span.at);
    const auto last = first + static_cast<std::ptrdiff_t>(span.oldLength);
    // A replaced entry may be on screen, or even be what is running this call (a rebuild
    // from aboutToShow): take it out of the menu now, delete it later.
    for (auto entry = first; entry != last; ++entry) {
        if (!entry->action) continue;
        root_.removeAction(entry->action);
        if (entry->submenu)
            entry->submenu->deleteLater();
        else
            entry->action->deleteLater();
    }
    QAction* const before = last != entries_.end() ? last->action.data() : nullptr;
    std::vector<Entry> added;
    added.reserve(span.newLength);
    for (size_t i = span.from; i < span.from + span.newLength; ++i) {
        // Each entry keeps its own copy of its item: clicks and submenus read from it.
        Entry entry{std::make_shared<const MenuItem>(menu[i]), nullptr, nullptr};
        entry.action = addItem(root_, before, *entry.item, *this, entry.item, &entry.submenu);
        added.push_back(std::move(entry));
    }
    const auto at = entries_.erase(first, last);
    entries_.insert(at, std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
}

void MenuRenderer::fillOnOpen(QMenu& submenu, const MenuItem& item, const std::shared_ptr<const MenuItem>& keep) {
    // Filled when it first opens. The item stays alive as long as the menu may open.
    connect(&submenu, &QMenu::aboutToShow, this, [this, &submenu, keep, &item] {
        if (!submenu.actions().isEmpty()) return;
        for (const MenuItem& child : item.submenu) addItem(submenu, nullptr, child, submenu, keep, nullptr);
    });
}

void MenuRenderer::refillSubmenu(Entry& entry, const MenuItem& item) {
    QMenu& submenu = *entry.submenu;
    const bool filled = !submenu.actions().isEmpty();
    disconnect(&submenu, &QMenu::aboutToShow, this, nullptr);
    // Its lines and their own submenus go once the event loop is back: one of them may be
    // what is running now.
    for (QAction* action : submenu.actions()) {
        submenu.removeAction(action);
        if (QMenu* nested = action->menu(); nested && nested->parent() == &submenu)
            nested->deleteLater();
        else if (action->parent() == &submenu)
            action->deleteLater();
    }
    entry.item = std::make_shared<const MenuItem>(item);
    fillOnOpen(submenu, *entry.item, entry.item);
    if (!filled) return;
    // Filled before: fill it again now, so that an open one shows its new lines.
    for (const MenuItem& child : entry.item->submenu) addItem(submenu, nullptr, child, submenu, entry.item, nullptr);
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
        // Parented to the menu that shows it, so it opens beside it and dies with it.
        QMenu* submenu = new ReleasingMenu(&target);
        QAction* action = submenu->menuAction();
        applyLook(*action, item);
        target.insertAction(before, action);
        if (submenuOut) *submenuOut = submenu;
        fillOnOpen(*submenu, item, keep);
        return action;
    }
    auto* action = new QAction(&owner);
    applyLook(*action, item);
    connect(action, &QAction::triggered, this, [this, action, keep, &item] {
        // Qt has just flipped the mark of a checkable entry. The mark says what the model
        // says, and only a new model changes it: an action that is cancelled, fails or
        // chooses what was already chosen leaves an equal model, and so this very action.
        action->setChecked(item.checked);
        // Queued: the menu closes first, so a modal alert the choice opens is not raised
        // from inside the menu's event handling.
        QMetaObject::invokeMethod(
            this, [this, keep, &item] { chosen_(MenuItem(item)); }, Qt::QueuedConnection);
    });
    target.insertAction(before, action);
    return action;
}

}  // namespace tamsel
