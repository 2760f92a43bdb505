#include "platform/qt/QtAlerts.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <set>

#include "QtTestApp.h"

namespace tamsel {
namespace {

// Runs `alert`, and once it shows, hands the box to `act` (which must end it).
int runAndAct(const Alert& alert, std::function<void(QMessageBox&)> act) {
    test::qtApp();
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(*box);
    });
    return QtAlerts().run(alert);
}

QPushButton* buttonTitled(QMessageBox& box, const QString& title) {
    for (QAbstractButton* button : box.buttons())
        if (button->text() == title) return qobject_cast<QPushButton*>(button);
    return nullptr;
}

const Alert kStop{"web-1 を停止しますか？", "i-0abc", {"停止", "キャンセル"}, true};

TEST(QtAlerts, ShowsTitleBodyAndButtonsInOrderAndAnswersTheChosenIndex) {
    std::vector<QString> shown;
    const int chosen = runAndAct(kStop, [&](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.text(), "web-1 を停止しますか？");
        EXPECT_EQ(box.informativeText(), "i-0abc");
        for (QAbstractButton* button : box.buttons()) shown.push_back(button->text());
        EXPECT_EQ(box.defaultButton(), buttonTitled(box, "停止"));
        buttonTitled(box, "キャンセル")->click();
    });
    EXPECT_EQ(chosen, 1);
    // Qt lays buttons out by role; the model's order is kept where it counts: the index.
    EXPECT_EQ(std::set<QString>(shown.begin(), shown.end()), (std::set<QString>{"停止", "キャンセル"}));
    EXPECT_EQ(runAndAct(kStop, [](QMessageBox& box) { buttonTitled(box, "停止")->click(); }), 0);
}

TEST(QtAlerts, EscapeChoosesTheWayOutAndClosingOtherwiseAnswersMinusOne) {
    EXPECT_EQ(runAndAct(kStop,
                        [](QMessageBox& box) {
                            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                            QApplication::sendEvent(&box, &escape);
                        }),
              1);
    EXPECT_EQ(runAndAct(kStop, [](QMessageBox& box) { box.reject(); }), -1);
}

TEST(QtAlerts, NoButtonsMeansOneOKAndTextsAreNeverHTML) {
    const Alert failure{"操作に失敗しました", "AWS CLI のメッセージ:\n<b>not bold</b> & more", {}, true};
    const int chosen = runAndAct(failure, [](QMessageBox& box) {
        ASSERT_EQ(box.buttons().size(), 1);
        EXPECT_EQ(box.buttons().front()->text(), "OK");
        for (QLabel* label : box.findChildren<QLabel*>()) {
            if (label->text().contains("<b>")) {
                EXPECT_EQ(label->textFormat(), Qt::PlainText);
            }
        }
        box.buttons().front()->click();
    });
    EXPECT_EQ(chosen, 0);
}

}  // namespace
}  // namespace tamsel
