#include "platform/qt/TrayMenu.h"

#include "platform/PlatformWording.h"
#include "platform/qt/LineFit.h"
#include "platform/qt/MenuPlacement.h"

namespace tamsel {

TrayMenu::TrayMenu(MenuRenderer::Chosen chosen, const std::function<void()>& opening)
    : menu_(std::make_unique<ReleasingMenu>()),
      renderer_(std::make_unique<MenuRenderer>(*menu_, std::move(chosen))),
      shortcuts_(std::make_unique<MenuShortcuts>(*menu_)) {
    menu_->setObjectName("statusMenu");
    menu_->setAccessibleName(QString::fromStdString(platformWords::appName()));
    QObject::connect(menu_.get(), &QMenu::aboutToShow, menu_.get(), opening);
}

const Menu& TrayMenu::setMenu(Menu menu) {
    fitToLines(menu, lineMetrics());
    // While the copy is not drawn, the model is only kept, not copied.
    if (!drawn_) {
        model_ = std::move(menu);
        return model_;
    }
    model_ = menu;
    renderer_->render(std::move(menu));
    if (menu_->isVisible()) keepOnScreen(*menu_);
    return model_;
}

void TrayMenu::drawOnlyWhenOpened() {
    // Closed as long as a closed menu keeps its window, it gives back its entries too.
    renderer_->render({});
    drawn_ = false;
    menu_->whenReleased([this] {
        renderer_->render({});
        drawn_ = false;
    });
}

void TrayMenu::openAt(const QRect& icon) {
    if (!drawn_) {
        // A rebuild the opening asks for lands in the drawn menu (setMenu).
        renderer_->render(model_);
        drawn_ = true;
    }
    menu_->popup(dropPosition(icon, *menu_));
}

const QFontMetrics& TrayMenu::lineMetrics() {
    // Both menus are fitted in the font of the menu Qt draws.
    if (!lineMetrics_ || lineMetrics_->font != menu_->font()) lineMetrics_.emplace(menu_->font());
    return lineMetrics_->metrics;
}

}  // namespace tamsel
