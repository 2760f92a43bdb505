#include "platform/qt/QtAlerts.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <set>

#include "QtTestApp.h"
#include "platform/qt/AlertDialog.h"
#include "platform/qt/MFACodeDialog.h"

namespace tamsel {
namespace {

// Runs `alert`, and once it shows, hands the box to `act` (which must end it).
int runAndAct(const Alert& alert, std::function<void(AlertDialog&)> act) {
    test::qtApp();
    QTimer::singleShot(0, [act] {
        auto* box = qobject_cast<AlertDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        act(*box);
    });
    return QtAlerts().run(alert);
}

QPushButton* buttonTitled(AlertDialog& box, const QString& title) {
    for (QPushButton* button : box.buttons())
        if (button->text() == title) return button;
    return nullptr;
}

const Alert kStop{"web-1 を停止しますか？", "i-0abc", {"停止", "キャンセル"}, true};

TEST(QtAlerts, ShowsTitleBodyAndButtonsInOrderAndAnswersTheChosenIndex) {
    std::vector<QString> shown;
    const int chosen = runAndAct(kStop, [&](AlertDialog& box) {
        EXPECT_EQ(box.title(), "web-1 を停止しますか？");
        EXPECT_EQ(box.body(), "i-0abc");
        for (QPushButton* button : box.buttons()) shown.push_back(button->text());
        EXPECT_TRUE(buttonTitled(box, "停止")->isDefault());
        // Assistive tools (and the desktop tests) find it as an alert named by its title.
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&box);
        EXPECT_EQ(accessible->role(), QAccessible::AlertMessage);
        EXPECT_EQ(accessible->text(QAccessible::Name), "web-1 を停止しますか？");
        buttonTitled(box, "キャンセル")->click();
    });
    EXPECT_EQ(chosen, 1);
    // Qt lays buttons out by role; the model's order is kept where it counts: the index.
    EXPECT_EQ(std::set<QString>(shown.begin(), shown.end()), (std::set<QString>{"停止", "キャンセル"}));
    EXPECT_EQ(runAndAct(kStop, [](AlertDialog& box) { buttonTitled(box, "停止")->click(); }), 0);
}

TEST(QtAlerts, EscapeChoosesTheWayOutAndClosingOtherwiseAnswersMinusOne) {
    EXPECT_EQ(runAndAct(kStop,
                        [](AlertDialog& box) {
                            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                            QApplication::sendEvent(&box, &escape);
                        }),
              1);
    // The window's close button is a way out too.
    EXPECT_EQ(runAndAct(kStop, [](AlertDialog& box) { box.close(); }), 1);
    EXPECT_EQ(runAndAct(kStop, [](AlertDialog& box) { box.reject(); }), -1);
}

TEST(QtAlerts, NoButtonsMeansOneOKAndTextsAreNeverHTML) {
    const Alert failure{"操作に失敗しました", "AWS CLI のメッセージ:\n<b>not bold</b> & more", {}, true};
    const int chosen = runAndAct(failure, [&failure](AlertDialog& box) {
        ASSERT_EQ(box.buttons().size(), 1u);
        EXPECT_EQ(box.buttons().front()->text(), "OK");
        int shown = 0;
        for (QLabel* label : box.findChildren<QLabel*>()) {
            if (label->text() == QString::fromStdString(failure.body) ||
                label->text() == QString::fromStdString(failure.title)) {
                EXPECT_EQ(label->textFormat(), Qt::PlainText);
                ++shown;
            }
        }
        EXPECT_EQ(shown, 2);
        box.buttons().front()->click();
    });
    EXPECT_EQ(chosen, 0);
}

// Types `text` into the dialog's field key by key, as a person would, so that the
// validator judges each key.
void typeInto(QLineEdit& field, const QString& text) {
    for (const QChar key : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(key));
        QApplication::sendEvent(&field, &press);
    }
}

std::optional<std::string> askAndAct(std::function<void(MFACodeDialog&, QLineEdit&, QPushButton&)> act) {
    test::qtApp();
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<MFACodeDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* field = dialog->findChild<QLineEdit*>("code");
        QPushButton* ok = nullptr;
        for (QPushButton* button : dialog->findChildren<QPushButton*>())
            if (button->text() == "OK") ok = button;
        ASSERT_TRUE(field != nullptr && ok != nullptr);
        act(*dialog, *field, *ok);
    });
    return QtAlerts().ask({"MFA コードの入力", "arn:aws:iam::123456789012:mfa/me", "OK", "キャンセル", 6});
}

TEST(QtAlerts, TheCodeFieldTakesDigitsOnlyAndOKWaitsForAllSix) {
    const auto code = askAndAct([](MFACodeDialog& dialog, QLineEdit& field, QPushButton& ok) {
        typeInto(field, "12ab345");
        EXPECT_EQ(field.text(), "12345");
        EXPECT_FALSE(ok.isEnabled());
        // Return with five digits does not give them.
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&dialog, &enter);
        EXPECT_TRUE(dialog.isVisible());
        typeInto(field, "67");
        EXPECT_EQ(field.text(), "123456");
        ok.click();
    });
    EXPECT_EQ(code, "123456");
    EXPECT_EQ(askAndAct([](MFACodeDialog& dialog, QLineEdit& field, QPushButton&) {
                  typeInto(field, "123456");
                  dialog.reject();
              }),
              std::nullopt);
}

}  // namespace
}  // namespace tamsel
