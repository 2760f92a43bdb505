#pragma once
// The window of an alert, built from public Qt parts only: an icon, a bold title, the body
// under it and a row of buttons. Both texts are always plain text (they may come from the
// aws tool and contain '<'). Assistive tools see it as an alert, as they see a message box.

#include <QDialog>
#include <QDialogButtonBox>
#include <QStyle>
#include <vector>

class QLabel;
class QPushButton;

namespace tamsel {

class AlertDialog final : public QDialog {
    Q_OBJECT
public:
    AlertDialog(QStyle::StandardPixmap icon, const QString& title, const QString& body);

    // Adds a button shown as `text` (an '&' stays an '&'). The box places it by `role`, as
    // the platform orders dialog buttons; a click on it ends the dialog.
    QPushButton* addButton(const QString& text, QDialogButtonBox::ButtonRole role);
    // The button Escape and the window's close button choose; none: the window cannot be
    // closed by them, but only by a button (or by the code).
    void setEscapeButton(QPushButton* button) { escape_ = button; }

    QString title() const;
    QString body() const;
    const std::vector<QPushButton*>& buttons() const { return buttons_; }
    // The button that ended the dialog, or nullptr.
    QPushButton* clickedButton() const { return clicked_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* title_;
    QLabel* body_;
    QDialogButtonBox* box_;
    std::vector<QPushButton*> buttons_;
    QPushButton* escape_ = nullptr;
    QPushButton* clicked_ = nullptr;
};

}  // namespace tamsel
