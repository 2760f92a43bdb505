#pragma once
// A QMenu that gives its window back once it has stayed closed for a while.
//
// A menu window that has been shown keeps its backing store, the pixels of the menu as it
// was on screen, for as long as the window lives: a screenful for the tray menu, and more
// for each instance submenu once opened (docs/performance.md has the figures). A tray menu
// is closed nearly all the time, so those pixels would be held for nothing. Showing the
// menu again creates a new window and lays the menu out anew, which costs little next to
// opening it at all; a menu opened again soon after it closed keeps its window.
//
// There is one of these per instance line, so it holds no timer object and no connection:
// its own show and hide events drive a bare timer id. It is the one timer that gives
// memory back after the menu was used: the tray's menu also empties itself on it.

#include <QBasicTimer>
#include <QMenu>
#include <chrono>
#include <functional>

namespace tamsel {

class ReleasingMenu final : public QMenu {
public:
    // How long a closed menu keeps its window.
    static constexpr std::chrono::milliseconds kKeepClosedWindow = std::chrono::seconds(30);

    explicit ReleasingMenu(QWidget* parent = nullptr, std::chrono::milliseconds keep = kKeepClosedWindow);

    // Called each time the menu has stayed closed for `keep`, once its window is given back:
    // what the owner may give back too (the entries of a menu nobody opens).
    void whenReleased(std::function<void()> released) { released_ = std::move(released); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QBasicTimer release_;
    std::chrono::milliseconds keep_;
    std::function<void()> released_;
};

}  // namespace tamsel
