#pragma once
// The tray menu Qt draws, and the model it shows. On an XEmbed tray it is the menu. Beside
// a StatusNotifier host it is a copy, opened only by a click the host passes on: it is
// then drawn as it opens, kept up to date while it may open again soon, and emptied once
// it has stayed closed for a while. Either way the model's lines are fitted to the menu's
// font first (LineFit.h), for the menu a host draws too.

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <functional>
#include <memory>
#include <optional>

#include "app/MenuModel.h"
#include "platform/qt/MenuRenderer.h"
#include "platform/qt/MenuShortcuts.h"
#include "platform/qt/ReleasingMenu.h"

namespace tamsel {

class TrayMenu final {
public:
    // `chosen` hears an entry chosen, after the menu has closed; `opening`, that the menu
    // is about to open.
    TrayMenu(MenuRenderer::Chosen chosen, const std::function<void()>& opening);
    TrayMenu(const TrayMenu&) = delete;
    TrayMenu& operator=(const TrayMenu&) = delete;

    // Takes the controller's model with its lines fitted, and draws it while the menu is
    // drawn. Returns the model as kept, whole (hidden entries too), for the menu a host draws.
    const Menu& setMenu(Menu menu);
    const Menu& model() const { return model_; }
    // From now on the menu is drawn only while it may be seen: a copy beside a host.
    void drawOnlyWhenOpened();
    // Opens the menu, dropped from the icon at `icon` (see MenuPlacement.h), drawn first
    // when it is not, so that it opens where its size fits.
    void openAt(const QRect& icon);

    QMenu& menu() { return *menu_; }

private:
    // The metrics the lines are fitted with, kept between models.
    const QFontMetrics& lineMetrics();

    std::unique_ptr<ReleasingMenu> menu_;
    // The renderer lives as long as the menu, so a choice it queued as the menu closed arrives.
    std::unique_ptr<MenuRenderer> renderer_;
    std::unique_ptr<MenuShortcuts> shortcuts_;
    Menu model_;
    bool drawn_ = true;  // menu_ has the entries of the model
    struct FontMetrics {
        explicit FontMetrics(const QFont& f) : font(f), metrics(f) {}
        QFont font;
        QFontMetrics metrics;
    };
    std::optional<FontMetrics> lineMetrics_;
};

}  // namespace tamsel
