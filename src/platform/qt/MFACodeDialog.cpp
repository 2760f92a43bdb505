#include "platform/qt/MFACodeDialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tamsel {

MFACodeDialog::MFACodeDialog(const CodeQuestion& question) {
    setObjectName("mfaCode");
    setWindowTitle(QString::fromStdString(question.title));
    const int digits = static_cast<int>(question.digits);

    auto* layout = new QVBoxLayout(this);
    auto* title = new QLabel(QString::fromStdString(question.title), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setTextFormat(Qt::PlainText);
    layout->addWidget(title);
    // Plain text: the device's name comes from the user's configuration.
    auto* body = new QLabel(QString::fromStdString(question.body), this);
    body->setTextFormat(Qt::PlainText);
    body->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(body);

    field_ = new QLineEdit(this);
    field_->setObjectName("code");
    field_->setMaxLength(digits);
    field_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), field_));
    field_->setInputMethodHints(Qt::ImhDigitsOnly);
    field_->setPlaceholderText(QString(digits, QChar('0')));
    layout->addWidget(field_);

    auto* box = new QDialogButtonBox(this);
    accept_ = box->addButton(QString::fromStdString(question.accept), QDialogButtonBox::AcceptRole);
    box->addButton(QString::fromStdString(question.cancel), QDialogButtonBox::RejectRole);
    accept_->setDefault(true);
    accept_->setEnabled(false);
    layout->addWidget(box);

    connect(field_, &QLineEdit::textChanged, this,
            [this, digits](const QString& text) { accept_->setEnabled(text.size() == digits); });
    connect(box, &QDialogButtonBox::accepted, this, [this] {
        if (accept_->isEnabled()) accept();
    });
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    field_->setFocus();
}

QString MFACodeDialog::code() const { return field_->text(); }

}  // namespace tamsel
