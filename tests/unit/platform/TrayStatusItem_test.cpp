#include "platform/qt/TrayStatusItem.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPixmap>
#include <QMenu>
#include <QPointer>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QStyle>
#include <functional>
#include <variant>

#include "QtTestApp.h"
#include "platform/qt/LineFit.h"
#include "platform/qt/ReleasingMenu.h"
#include "platform/qt/StateDot.h"
#include "support/ShownTitle.h"

namespace tamsel {
namespace {

// Records what the menu hands to the controller; optionally rebuilds the menu when it opens,
// as the controller does (opening starts a refresh, which redraws the menu).
class RecordingDelegate final : public MenuDelegate {
public:
    void menuWillOpen() override {
        ++opened;
        if (onOpen) onOpen();
    }
    void menuItemChosen(const MenuItem& item) override { chosen.push_back(item); }

    int opened = 0;
    std::vector<MenuItem> chosen;
    std::function<void()> onOpen;
};

// An item titled as the user reads it (a leading dot's emoji is its dot).
MenuItem item(std::string title, bool enabled, MenuAction action = MenuAction::none) {
    MenuItem result;
    test::setShownTitle(result, std::move(title));
    result.enabled = enabled;
    result.action = action;
    return result;
}

MenuItem withSubmenu(MenuItem parent, std::vector<MenuItem> submenu) {
    parent.submenu = std::move(submenu);
    return parent;
}

EC2Instance web() { return EC2Instance{"i-0abc", "R&D web", "stopped", "t3.micro", {{"sg-1", "web"}, {"sg-2", ""}}}; }

// A menu shaped like the controller's, with one of each kind of entry.
Menu sampleMenu() {
    MenuItem header = item("Orvane for Mac  v0.1.0", false);
    header.bold = true;
    MenuItem start = item("起動", true, MenuAction::startInstance);
    start.representedObject = web();
    MenuItem stop = item("停止", false, MenuAction::stopInstance);
    stop.representedObject = web();
    MenuItem lockNone = item("しない", true, MenuAction::selectIngressLockGroup);
    lockNone.representedObject = LockChoice{"i-0abc", std::nullopt};
    lockNone.checked = true;
    MenuItem lockGroup = item("web (sg-1)", true, MenuAction::selectIngressLockGroup);
    lockGroup.representedObject = LockChoice{"i-0abc", "sg-1"};
    MenuItem reload = item("今すぐ更新", true, MenuAction::reloadNow);
    reload.keyEquivalent = 'r';
    MenuItem defaultProfile = item("デフォルト", true, MenuAction::selectProfile);
    MenuItem dev = item("dev", true, MenuAction::selectProfile);
    dev.representedObject = std::string("dev");
    dev.checked = true;
    MenuItem login = item("ログイン時に起動", true, MenuAction::toggleLogin);
    MenuItem quit = item("終了", true, MenuAction::terminate);
    quit.keyEquivalent = 'q';
    return {
        header,
        MenuItem::separatorItem(),
        withSubmenu(item("⚫️ R&D web — stopped", true),
                    {item("i-0abc  t3.micro", false), MenuItem::separatorItem(), start, stop, MenuItem::separatorItem(),
                     withSubmenu(item("起動時に SG を自分の IP 専用にする: しない", true),
                                 {lockNone, MenuItem::separatorItem(), lockGroup})}),
        MenuItem::separatorItem(),
        item("最終更新: 12:34:56", false),
        reload,
        MenuItem::separatorItem(),
        withSubmenu(item("プロファイル: dev", true), {defaultProfile, dev}),
        login,
        MenuItem::separatorItem(),
        quit,
    };
}

// What one drawn entry shows, with the '&' escape undone.
struct Shown {
    std::string title = {};
    bool separator = false;
    bool enabled = false;
    bool checkable = false;
    bool checked = false;
    bool bold = false;
    std::string shortcut = {};
    bool submenu = false;

    bool operator==(const Shown&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Shown& s) {
    return out << "{\"" << s.title << "\" sep=" << s.separator << " enabled=" << s.enabled
               << " checkable=" << s.checkable << " checked=" << s.checked << " bold=" << s.bold << " shortcut=\""
               << s.shortcut << "\" submenu=" << s.submenu << "}";
}

// The title a line shows: the state dot its icon draws, a space, its text with Qt's '&'
// escape undone.
std::string shownTitle(const QAction& action) {
    const QString text = action.text().replace(QLatin1String("&&"), QLatin1String("&"));
    if (action.icon().isNull()) return text.toStdString();
    for (StateDot dot : {StateDot::running, StateDot::stopped, StateDot::changing, StateDot::other}) {
        if (action.icon().cacheKey() == stateDotIcon(dot).cacheKey()) return test::shownDot(dot) + text.toStdString();
    }
    return text.toStdString();
}

std::vector<Shown> shown(const QMenu& menu) {
    std::vector<Shown> result;
    for (const QAction* action : menu.actions()) {
        if (action->isSeparator()) {
            result.push_back(Shown{.separator = true});
            continue;
        }
        result.push_back(Shown{.title = shownTitle(*action),
                               .enabled = action->isEnabled(),
                               .checkable = action->isCheckable(),
                               .checked = action->isChecked(),
                               .bold = action->font().bold(),
                               .shortcut = action->shortcut().toString().toStdString(),
                               .submenu = action->menu() != nullptr});
    }
    return result;
}

QAction* actionTitled(const QMenu& menu, const std::string& title) {
    for (QAction* action : menu.actions())
        if (shownTitle(*action) == title) return action;
    return nullptr;
}

// Opens the submenu of `title` in `menu` as hovering it would, and returns it.
QMenu* openSubmenu(const QMenu& menu, const std::string& title) {
    QAction* action = actionTitled(menu, title);
    if (!action || !action->menu()) return nullptr;
    auto* submenu = qobject_cast<QMenu*>(action->menu());
    if (menu.isVisible()) const_cast<QMenu&>(menu).setActiveAction(action);  // as hovering does
    else submenu->popup(QPoint(0, 0));
    return submenu;
}

class TrayStatusItemTest : public testing::Test {
protected:
    void SetUp() override { tray.setDelegate(&delegate); }
    void TearDown() override { tray.menu().hide(); }

    static void runEvents() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    QApplication& app = test::qtApp();  // before any widget
    RecordingDelegate delegate;
    TrayStatusItem tray;
};

TEST_F(TrayStatusItemTest, DrawsTheModelAsGiven) {
    tray.setMenu(sampleMenu());
    const std::vector<Shown> expected = {
        {.title = "Orvane for Mac  v0.1.0", .bold = true},
        {.separator = true},
        {.title = "⚫️ R&D web — stopped", .enabled = true, .submenu = true},
        {.separator = true},
        {.title = "最終更新: 12:34:56"},
        {.title = "今すぐ更新", .enabled = true, .shortcut = "Ctrl+R"},
        {.separator = true},
        {.title = "プロファイル: dev", .enabled = true, .submenu = true},
        {.title = "ログイン時に起動", .enabled = true, .checkable = true},
        {.separator = true},
        {.title = "終了", .enabled = true, .shortcut = "Ctrl+Q"},
    };
    EXPECT_EQ(shown(tray.menu()), expected);
    EXPECT_TRUE(actionTitled(tray.menu(), "終了")->isShortcutVisibleInContextMenu());
    // The state dot is the line's icon: QMenu measures only the text after it.
    EXPECT_EQ(actionTitled(tray.menu(), "⚫️ R&D web — stopped")->text(), "R&&D web — stopped");

    QMenu* instance = openSubmenu(tray.menu(), "⚫️ R&D web — stopped");
    ASSERT_NE(instance, nullptr);
    EXPECT_EQ(shown(*instance),
              (std::vector<Shown>{
                  {.title = "i-0abc  t3.micro"},
                  {.separator = true},
                  {.title = "起動", .enabled = true},
                  {.title = "停止"},
                  {.separator = true},
                  {.title = "起動時に SG を自分の IP 専用にする: しない", .enabled = true, .submenu = true},
              }));
    QMenu* lock = openSubmenu(*instance, "起動時に SG を自分の IP 専用にする: しない");
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(shown(*lock), (std::vector<Shown>{
                                {.title = "しない", .enabled = true, .checkable = true, .checked = true},
                                {.separator = true},
                                {.title = "web (sg-1)", .enabled = true, .checkable = true},
                            }));
    QMenu* profile = openSubmenu(tray.menu(), "プロファイル: dev");
    ASSERT_NE(profile, nullptr);
    EXPECT_EQ(shown(*profile), (std::vector<Shown>{
                                   {.title = "デフォルト", .enabled = true, .checkable = true},
                                   {.title = "dev", .enabled = true, .checkable = true, .checked = true},
                               }));
    // Every menu of the tree, once closed long enough, gives back its window.
    for (QMenu* menu : {&tray.menu(), instance, lock, profile})
        EXPECT_NE(dynamic_cast<ReleasingMenu*>(menu), nullptr) << menu->title().toStdString();
}

TEST_F(TrayStatusItemTest, AChosenEntryDeliversItsItemAfterTheMenuClosed) {
    const Menu menu = sampleMenu();
    tray.setMenu(menu);
    QMenu* instance = openSubmenu(tray.menu(), "⚫️ R&D web — stopped");
    ASSERT_NE(instance, nullptr);
    actionTitled(*instance, "起動")->trigger();
    EXPECT_TRUE(delegate.chosen.empty());  // not from inside the menu's event handling
    runEvents();
    ASSERT_EQ(delegate.chosen.size(), 1u);
    EXPECT_EQ(delegate.chosen[0], menu[2].submenu[2]);
    EXPECT_EQ(std::get<EC2Instance>(delegate.chosen[0].representedObject), web());

    actionTitled(*openSubmenu(tray.menu(), "プロファイル: dev"), "dev")->trigger();
    actionTitled(tray.menu(), "終了")->trigger();
    runEvents();
    ASSERT_EQ(delegate.chosen.size(), 3u);
    EXPECT_EQ(delegate.chosen[1].representedObject, RepresentedObject(std::string("dev")));
    EXPECT_EQ(delegate.chosen[2].action, MenuAction::terminate);

    // A model handed over to be kept, as the controller hands over the one it composed:
    // lines that now show other items deliver those, once what they replaced is gone.
    Menu next = sampleMenu();
    next[2].submenu[0].title = "i-0abc  t3.small";
    next[10].title = "終了する";
    tray.setMenu(Menu(next));
    runEvents();
    actionTitled(*openSubmenu(tray.menu(), "⚫️ R&D web — stopped"), "起動")->trigger();
    actionTitled(tray.menu(), "終了する")->trigger();
    runEvents();
    ASSERT_EQ(delegate.chosen.size(), 5u);
    EXPECT_EQ(delegate.chosen[3], next[2].submenu[2]);
    EXPECT_EQ(delegate.chosen[4], next[10]);
}

TEST_F(TrayStatusItemTest, MarksAreTheModelsWhateverWasClicked) {
    // Clicks whose action then changes nothing (an already chosen profile, a cancelled lock
    // choice, a failed login switch) leave the same model: the marks must stay the model's.
    const Menu menu = sampleMenu();
    tray.setMenu(menu);
    QMenu* instance = openSubmenu(tray.menu(), "⚫️ R&D web — stopped");
    QMenu* lock = openSubmenu(*instance, "起動時に SG を自分の IP 専用にする: しない");
    QMenu* profile = openSubmenu(tray.menu(), "プロファイル: dev");
    for (auto [menuOf, title] : std::vector<std::pair<QMenu*, std::string>>{{lock, "web (sg-1)"},
                                                                            {lock, "しない"},
                                                                            {profile, "dev"},
                                                                            {profile, "デフォルト"},
                                                                            {&tray.menu(), "ログイン時に起動"}}) {
        actionTitled(*menuOf, title)->trigger();
        runEvents();
        tray.setMenu(menu);
        EXPECT_EQ(shown(*lock)[0].checked, true) << title;
        EXPECT_EQ(shown(*lock)[2].checked, false) << title;
        EXPECT_EQ(shown(*profile)[0].checked, false) << title;
        EXPECT_EQ(shown(*profile)[1].checked, true) << title;
        EXPECT_EQ(actionTitled(tray.menu(), "ログイン時に起動")->isChecked(), false) << title;
    }
    EXPECT_EQ(delegate.chosen.size(), 5u);
}

TEST_F(TrayStatusItemTest, OpeningTheMenuTellsTheDelegateAndShowsWhatItRebuilt) {
    tray.setMenu(sampleMenu());
    delegate.onOpen = [this] { tray.setMenu({item("読み込み中…", false)}); };
    tray.menu().popup(QPoint(0, 0));
    EXPECT_EQ(delegate.opened, 1);
    EXPECT_TRUE(tray.menu().isVisible());
    EXPECT_EQ(shown(tray.menu()), std::vector<Shown>{{.title = "読み込み中…"}});
}

TEST_F(TrayStatusItemTest, RebuildingWhileMenusAreOpenReplacesThemSafely) {
    tray.setMenu(sampleMenu());
    tray.menu().popup(QPoint(0, 0));
    QPointer<QMenu> instance = openSubmenu(tray.menu(), "⚫️ R&D web — stopped");
    ASSERT_TRUE(instance);
    QPointer<QAction> start = actionTitled(*instance, "起動");
    runEvents();
    ASSERT_TRUE(instance->isVisible());

    Menu next = sampleMenu();
    test::setShownTitle(next[2], "🟢 R&D web — running");
    for (MenuItem& entry : next[2].submenu) entry.enabled = entry.title == "停止" || entry.enabled;
    tray.setMenu(next);
    EXPECT_TRUE(start);  // not deleted under a click that may be on its way
    start->trigger();    // and such a click still delivers the old item
    runEvents();

    EXPECT_FALSE(start);    // the submenu's old lines are gone, deleted from the event loop
    EXPECT_TRUE(instance);  // the same instance keeps its submenu window, open
    EXPECT_TRUE(instance->isVisible());
    EXPECT_EQ(shown(tray.menu())[2].title, "🟢 R&D web — running");
    ASSERT_EQ(delegate.chosen.size(), 1u);
    EXPECT_EQ(delegate.chosen[0].title, "起動");

    tray.menu().popup(QPoint(0, 0));
    QMenu* fresh = openSubmenu(tray.menu(), "🟢 R&D web — running");
    ASSERT_NE(fresh, nullptr);
    runEvents();  // the menus are on screen before the next build lands
    tray.setMenu(next);
    tray.setMenu(next);
    runEvents();
    EXPECT_TRUE(tray.menu().isVisible());  // the open menu stays open and shows the new build
    EXPECT_EQ(shown(tray.menu()).size(), next.size());
}

TEST_F(TrayStatusItemTest, AnOpenMenuThatGrowsStaysOnScreen) {
    tray.setMenu({item("読み込み中…", false)});
    const QRect screen = tray.menu().screen()->availableGeometry();
    tray.menu().popup(QPoint(screen.right() - tray.menu().sizeHint().width(), screen.top()));
    runEvents();
    ASSERT_TRUE(tray.menu().isVisible());

    Menu longer = sampleMenu();
    test::setShownTitle(longer[2], "🟢 " + std::string(60, 'w') + " — running");
    tray.setMenu(longer);
    EXPECT_GT(tray.menu().width(), 400);
    EXPECT_TRUE(screen.contains(tray.menu().geometry())) << tray.menu().geometry().x() << "+" << tray.menu().width();
}

TEST_F(TrayStatusItemTest, OnlyANameTooWideForALineIsShortenedAndItsSubmenuShowsItWhole) {
    Menu menu = sampleMenu();
    const std::string name = "R&D " + std::string(300, 'w') + "-end";
    test::setShownTitle(menu[2], "🟢 " + name + " — running");
    menu[2].name = NameSpan{0, name.size()};
    // The product's own words show whole, however wide.
    const std::string hint = "　IAM ポリシー（EC2 の参照・起動・停止、セキュリティグループの変更）を確認してください";
    menu.insert(menu.begin() + 2, item(hint, false));
    tray.setMenu(menu);

    const std::string line = shown(tray.menu())[3].title;
    EXPECT_TRUE(line.starts_with("🟢 R&D www")) << line;
    EXPECT_TRUE(line.ends_with("w-end — running")) << line;
    EXPECT_NE(line.find("…"), std::string::npos) << line;
    const QFontMetrics metrics = tray.menu().fontMetrics();
    EXPECT_LT(metrics.horizontalAdvance(QString::fromStdString(line)),
              metrics.horizontalAdvance(QString::fromStdString(menu[3].title)) / 3);
    // Its text as drawn ("&&" shows one '&') beside the dot's icon is as wide as a line at most.
    const int icon = tray.menu().style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, &tray.menu());
    EXPECT_LE(metrics.horizontalAdvance(actionTitled(tray.menu(), line)->text().replace("&&", "&")) + icon,
              kLineChars * metrics.horizontalAdvance(QLatin1Char('x')));
    EXPECT_EQ(shown(tray.menu())[2].title, hint);

    // Its submenu opens with the whole name, then its own lines; the same model again
    // keeps the line.
    const auto submenu = shown(*openSubmenu(tray.menu(), line));
    ASSERT_GE(submenu.size(), 2u);
    EXPECT_EQ(submenu[0].title, name);
    EXPECT_FALSE(submenu[0].enabled);
    EXPECT_EQ(submenu[1].title, menu[3].submenu[0].title);
    const QList<QAction*> before = tray.menu().actions();
    tray.setMenu(menu);
    EXPECT_EQ(tray.menu().actions(), before);
}

TEST_F(TrayStatusItemTest, ALongListDrawsEveryInstanceLine) {
    Menu menu = sampleMenu();
    const MenuItem line = menu[2];
    for (int i = 0; i < 1000; ++i) menu.insert(menu.begin() + 3, line);
    tray.setMenu(menu);
    EXPECT_EQ(tray.menu().actions().size(), static_cast<qsizetype>(menu.size()));
    QMenu* last = openSubmenu(tray.menu(), "⚫️ R&D web — stopped");
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->actions().size(), 6);
}

// Counts the resizes of a widget: each one is a full layout of a menu's entries.
class ResizeCounter final : public QObject {
public:
    explicit ResizeCounter(QObject& target) { target.installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) ++count;
        return false;
    }
};

// Collects what a widget paints.
class PaintRecorder final : public QObject {
public:
    explicit PaintRecorder(QObject& target) { target.installEventFilter(this); }
    QRegion region;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(event)->region();
        return false;
    }
};

TEST_F(TrayStatusItemTest, ALongListLandingInTheOpenMenuIsLaidOutOnceAndFillsSubmenusWhenOpened) {
    tray.setMenu({item("読み込み中…", false)});
    tray.menu().popup(QPoint(0, 0));
    runEvents();
    ASSERT_TRUE(tray.menu().isVisible());

    Menu menu = sampleMenu();
    for (int i = 0; i < 200; ++i) {
        MenuItem line = menu[2];
        test::setShownTitle(line, "⚫️ web-" + std::to_string(i) + " — stopped");
        line.submenu[0].title = "i-" + std::to_string(i) + "  t3.micro";
        menu.insert(menu.begin() + 3 + i, line);
    }
    const ResizeCounter resizes(tray.menu());
    tray.setMenu(menu);
    EXPECT_LE(resizes.count, 1);  // not once per entry added or removed
    EXPECT_TRUE(tray.menu().isVisible());
    ASSERT_EQ(tray.menu().actions().size(), static_cast<qsizetype>(menu.size()));

    // Taller than the screen, it is as tall as the screen and scrolls to every line.
    const QRect screen = tray.menu().screen()->availableGeometry();
    ASSERT_GT(tray.menu().sizeHint().height(), screen.height());
    EXPECT_LE(tray.menu().height(), screen.height());
    EXPECT_EQ(tray.menu().width(), tray.menu().sizeHint().width());
    QAction* const last = tray.menu().actions().back();
    tray.menu().setActiveAction(last);  // as the keyboard or the scroll arrow brings it
    EXPECT_TRUE(tray.menu().rect().contains(tray.menu().actionGeometry(last)));
    EXPECT_EQ(delegate.opened, 1);  // no second opening, which would refresh again

    // Submenus are built when they first open, from the whole model kept aside.
    QAction* line = actionTitled(tray.menu(), "⚫️ web-150 — stopped");
    ASSERT_NE(line, nullptr);
    EXPECT_TRUE(line->menu()->actions().isEmpty());
    QMenu* submenu = openSubmenu(tray.menu(), "⚫️ web-150 — stopped");
    ASSERT_NE(submenu, nullptr);
    runEvents();
    EXPECT_EQ(shown(*submenu)[0].title, "i-150  t3.micro");
    actionTitled(*submenu, "起動")->trigger();
    runEvents();
    ASSERT_EQ(delegate.chosen.size(), 1u);
    EXPECT_EQ(delegate.chosen[0], menu[3 + 150].submenu[2]);

    // The next loading and list (another region's) reuse the submenus of the lines that
    // went: each shows and delivers its new instance's lines only.
    tray.setMenu({item("読み込み中…", false)});
    runEvents();
    for (int i = 0; i < 200; ++i) menu[3 + i].submenu[0].title = "i-" + std::to_string(i) + "  t3.small";
    tray.setMenu(menu);
    runEvents();
    submenu = openSubmenu(tray.menu(), "⚫️ web-150 — stopped");
    ASSERT_NE(submenu, nullptr);
    runEvents();
    EXPECT_EQ(shown(*submenu).size(), menu[3 + 150].submenu.size());
    EXPECT_EQ(shown(*submenu)[0].title, "i-150  t3.small");
    actionTitled(*submenu, "起動")->trigger();
    runEvents();
    ASSERT_EQ(delegate.chosen.size(), 2u);
    EXPECT_EQ(delegate.chosen[1], menu[3 + 150].submenu[2]);
}

TEST_F(TrayStatusItemTest, ARefreshKeepsTheEntriesThatDidNotChangeWithTheirOpenSubmenus) {
    const Menu menu = sampleMenu();
    tray.setMenu(menu);
    tray.menu().popup(QPoint(0, 0));
    QPointer<QMenu> instance = openSubmenu(tray.menu(), "⚫️ R&D web — stopped");
    ASSERT_TRUE(instance);
    runEvents();
    ASSERT_TRUE(instance->isVisible());
    const QList<QAction*> before = tray.menu().actions();

    // The same model again changes nothing at all.
    const ResizeCounter resizes(tray.menu());
    tray.setMenu(menu);
    runEvents();
    EXPECT_EQ(tray.menu().actions(), before);
    EXPECT_EQ(resizes.count, 0);

    // A new last-update line and a new profile mark: the line shows the new text, the
    // profile's submenu gets its new lines in the same window, every entry stays, and only
    // their lines are painted again.
    Menu next = menu;
    next[4].title = "最終更新: 12:34:57";
    next[7].submenu[1].checked = false;
    next[7].submenu[0].checked = true;
    const PaintRecorder painted(tray.menu());
    tray.setMenu(next);
    runEvents();
    const QList<QAction*> after = tray.menu().actions();
    EXPECT_FALSE(painted.region.isEmpty());
    EXPECT_EQ(painted.region - tray.menu().actionGeometry(after[4]) - tray.menu().actionGeometry(after[7]), QRegion())
        << "painted " << painted.region.boundingRect().height() << " px high";
    EXPECT_EQ(after, before);
    EXPECT_EQ(shown(tray.menu())[4].title, "最終更新: 12:34:57");
    EXPECT_EQ(shown(*openSubmenu(tray.menu(), "プロファイル: dev"))[0].checked, true);

    // A new line in the open instance submenu (how long it has been running): the submenu
    // stays open where it is and shows it.
    next[2].submenu.insert(next[2].submenu.begin() + 1, item("起動から 5 分", false));
    tray.menu().setActiveAction(instance->menuAction());
    runEvents();
    ASSERT_TRUE(instance->isVisible());
    tray.setMenu(next);
    runEvents();
    ASSERT_TRUE(instance);
    EXPECT_TRUE(instance->isVisible());
    EXPECT_EQ(tray.menu().actions()[2], before[2]);
    EXPECT_EQ(shown(*instance)[1].title, "起動から 5 分");

    // The open submenu of the instance stayed open, and its entries still deliver.
    ASSERT_TRUE(instance);
    tray.menu().setActiveAction(instance->menuAction());
    runEvents();
    EXPECT_TRUE(instance->isVisible());
    actionTitled(*instance, "起動")->trigger();
    runEvents();
    ASSERT_EQ(delegate.chosen.size(), 1u);
    EXPECT_EQ(delegate.chosen[0], next[2].submenu[3]);

    // Lines added and removed in the middle land between the kept ones.
    Menu shorter = next;
    shorter.erase(shorter.begin() + 2);  // the instance went away
    shorter.insert(shorter.begin() + 2, item("インスタンスがありません", false));
    tray.setMenu(shorter);
    runEvents();
    EXPECT_FALSE(instance && instance->isVisible());  // closed; kept emptied for a line to come
    EXPECT_TRUE(!instance || instance->actions().isEmpty());
    std::vector<std::string> titles;
    for (const Shown& entry : shown(tray.menu())) titles.push_back(entry.title);
    std::vector<std::string> expected;
    for (const MenuItem& entry : shorter) expected.push_back(entry.title);
    EXPECT_EQ(titles, expected);
    EXPECT_EQ(tray.menu().actions()[0], before[0]);
    EXPECT_EQ(tray.menu().actions().back(), before.back());
}

TEST_F(TrayStatusItemTest, ALineThatNowShowsAnotherInstanceClosesItsOpenSubmenu) {
    tray.setMenu(sampleMenu());
    tray.menu().popup(QPoint(0, 0));
    QPointer<QMenu> instance = openSubmenu(tray.menu(), "⚫️ R&D web — stopped");
    runEvents();
    ASSERT_TRUE(instance && instance->isVisible());

    // Another region's list: the line shows another instance, whose lines the user did
    // not open.
    Menu next = sampleMenu();
    EC2Instance other = web();
    other.id = "i-0def";
    test::setShownTitle(next[2], "⚫️ batch — stopped");
    for (MenuItem& line : next[2].submenu)
        if (std::holds_alternative<EC2Instance>(line.representedObject)) line.representedObject = other;
    tray.setMenu(next);
    runEvents();
    EXPECT_TRUE(tray.menu().isVisible());
    EXPECT_FALSE(instance && instance->isVisible());
    EXPECT_EQ(shown(tray.menu())[2].title, "⚫️ batch — stopped");
    QMenu* fresh = openSubmenu(tray.menu(), "⚫️ batch — stopped");
    ASSERT_NE(fresh, nullptr);
    runEvents();
    actionTitled(*fresh, "起動")->trigger();
    runEvents();
    ASSERT_EQ(delegate.chosen.size(), 1u);
    EXPECT_EQ(std::get<EC2Instance>(delegate.chosen[0].representedObject).id, "i-0def");
}

// The open menu shows a changed text without being laid out again (the renderer holds
// back the menu's notice of the change and repaints the line). That relies on QMenu
// painting each line from its action as it paints: the menu must look exactly as one laid
// out afresh with the new text.
TEST_F(TrayStatusItemTest, ATextChangedInTheOpenMenuLooksAsInAMenuLaidOutAfresh) {
    Menu menu = sampleMenu();
    menu[4].title = "最終更新: 12:34:56";
    test::setShownTitle(menu[2], "🟢 R&D web — running");
    tray.setMenu(menu);
    tray.menu().popup(QPoint(0, 0));
    runEvents();
    ASSERT_TRUE(tray.menu().isVisible());

    Menu next = menu;
    next[4].title = "最終更新: 12:35:26";
    test::setShownTitle(next[2], "🟡 R&D web — running");  // another dot, the same text
    next[2].enabled = false;
    const ResizeCounter resizes(tray.menu());
    tray.setMenu(next);
    runEvents();
    EXPECT_EQ(resizes.count, 0);

    TrayStatusItem fresh;
    fresh.setMenu(next);
    fresh.menu().popup(QPoint(0, 0));
    runEvents();
    ASSERT_EQ(fresh.menu().size(), tray.menu().size());
    EXPECT_TRUE(fresh.menu().grab().toImage() == tray.menu().grab().toImage());
    fresh.menu().hide();
}

TEST_F(TrayStatusItemTest, ButtonSetsTheIconAndToolTip) {
    tray.setButton({"MenuBarIconRunning", "", "Orvane for Mac"});
    EXPECT_EQ(tray.toolTip(), "Orvane for Mac");
    EXPECT_FALSE(tray.drawnIcon().isNull());

    // The same button again leaves the icon as it is; another one replaces it.
    const qint64 drawn = tray.drawnIcon().cacheKey();
    tray.setButton({"MenuBarIconRunning", "", "Orvane for Mac"});
    EXPECT_EQ(tray.drawnIcon().cacheKey(), drawn);
    tray.setButton({"MenuBarIconRunning", " !", "Orvane for Mac"});
    EXPECT_NE(tray.drawnIcon().cacheKey(), drawn);
    tray.setButton({"MenuBarIcon", "", "Orvane for Mac — 1"});
    EXPECT_EQ(tray.toolTip(), "Orvane for Mac — 1");
}

// Each state dot is painted in its own colour, with a rim that stands out from a light and
// from a dark menu (⚫️ on a near-black menu, ⚪️ on a white one); a line without one has no icon.
TEST(StateDotTest, EachDotIsPaintedInItsColourLegibleOnLightAndDarkMenus) {
    test::qtApp();
    struct Case {
        StateDot dot;
        const char* name;
        std::function<bool(const QColor&)> colour;
    };
    const std::vector<Case> cases = {
        {StateDot::running, "running", [](const QColor& c) { return c.green() > c.red() + 40; }},
        {StateDot::stopped, "stopped", [](const QColor& c) { return c.value() < 100; }},
        {StateDot::changing, "changing",
         [](const QColor& c) { return c.red() > 180 && c.green() > 150 && c.blue() < 120; }},
        {StateDot::other, "other", [](const QColor& c) { return c.value() > 180 && c.saturation() < 40; }},
        {StateDot::none, "none", nullptr},
    };
    // The light and dark menu backgrounds of common themes.
    const std::vector<QColor> menus = {QColor("#ffffff"), QColor("#eff0f1"), QColor("#303030"), QColor("#232629")};
    const auto contrast = [](const QColor& a, const QColor& b) {
        return std::abs(qGray(a.rgb()) - qGray(b.rgb())) + std::abs(a.red() - b.red()) / 2 +
               std::abs(a.green() - b.green()) / 2 + std::abs(a.blue() - b.blue()) / 2;
    };
    for (const Case& c : cases) {
        if (!c.colour) {
            EXPECT_TRUE(stateDotIcon(c.dot).isNull()) << c.name;
            EXPECT_TRUE(stateDotPng(c.dot).isEmpty()) << c.name;
            continue;
        }
        const QImage image = stateDotIcon(c.dot).pixmap(QSize(16, 16)).toImage();
        const QImage png = QImage::fromData(stateDotPng(c.dot), "PNG");
        EXPECT_GE(png.width(), 32) << c.name;
        for (const QImage& drawn : {image, png.scaled(16, 16, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)}) {
            const QColor centre = drawn.pixelColor(8, 8);
            EXPECT_EQ(centre.alpha(), 255) << c.name;
            EXPECT_TRUE(c.colour(centre)) << c.name << " " << centre.name().toStdString();
            // Laid on each menu, the disc's outermost ring of pixels still stands out from it.
            for (const QColor& menu : menus) {
                QImage laid(drawn.size(), QImage::Format_RGB32);
                laid.fill(menu);
                QPainter(&laid).drawImage(0, 0, drawn);
                int most = 0;
                for (int x = 0; x < 8; ++x) most = std::max(most, contrast(laid.pixelColor(x, 8), menu));
                EXPECT_GT(most, 100) << c.name << " on " << menu.name().toStdString();
            }
        }
        EXPECT_EQ(stateDotIcon(c.dot).cacheKey(), stateDotIcon(c.dot).cacheKey());
    }
}

}  // namespace
}  // namespace tamsel
