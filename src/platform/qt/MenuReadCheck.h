#pragma once
// Makes sure a host that has listed the item also reads its menu. GNOME's AppIndicator
// extension at times forgets the item's Id and Menu just after reading them (it resets
// them when it learns the item's bus name has an owner, then fails to read them again):
// its icon shows, but its menu stays empty and never fills. That host reads the layout
// as soon as it knows the menu, so while it has not read it some seconds after listing
// the item, the item tells its Id and Menu again (PropertiesChanged), which the host
// takes in, after a delay that doubles, a few times at most.

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace tamsel {

class MenuReadCheck final : public QObject {
public:
    static constexpr auto kFirstCheck = std::chrono::seconds(3);
    static constexpr int kMostTellings = 4;

    // `layoutReads` counts the host's reads of the layout so far; `tellAgain` has the
    // item tell its Id and Menu again.
    MenuReadCheck(std::function<unsigned()> layoutReads, std::function<void()> tellAgain,
                  std::chrono::milliseconds firstCheck = kFirstCheck);

    // The watcher lists the item (again): checks anew.
    void listed();
    // A host that reads the menu only when it opens: nothing to check.
    void stop() { timer_.stop(); }

private:
    void check();

    std::function<unsigned()> layoutReads_;
    std::function<void()> tellAgain_;
    std::chrono::milliseconds firstCheck_;
    QTimer timer_;
    unsigned readsWhenListed_ = 0;
    int tellings_ = 0;
};

}  // namespace tamsel
