#include "platform/qt/AlertDialog.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace tamsel {
namespace {

// Assistive tools tell alerts from other windows by their role; Qt gives that role to its
// own message box only, so this dialog asks for it through the public accessibility hook.
QAccessibleInterface* alertAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(AlertDialog::staticMetaObject.className()) && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::AlertMessage);
    return nullptr;
}

QLabel* textLabel(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    label->setTextInteractionFlags(Qt::TextInteractionFlags(
        parent->style()->styleHint(QStyle::SH_MessageBox_TextInteractionFlags, nullptr, parent)));
    return label;
}

}  // namespace

AlertDialog::AlertDialog(QStyle::StandardPixmap icon, const QString& title, const QString& body) {
    static const bool installed = (QAccessible::installFactory(alertAccessible), true);
    (void)installed;

    // Children in reading order: assistive tools list the texts as they come here.
    auto* iconLabel = new QLabel(this);
    const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
    iconLabel->setPixmap(style()->standardIcon(icon, nullptr, this).pixmap(iconSize, iconSize));
    iconLabel->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    title_ = textLabel(this, title);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    body_ = textLabel(this, body);
    body_->setVisible(!body.isEmpty());
    // Wide enough that a long body wraps into a few lines, not a tall narrow column.
    body_->setMinimumWidth(440);
    box_ = new QDialogButtonBox(this);
    box_->setCenterButtons(style()->styleHint(QStyle::SH_MessageBox_CenterButtons, nullptr, this) != 0);
    connect(box_, &QDialogButtonBox::clicked, this, [this](QAbstractButton* button) {
        clicked_ = qobject_cast<QPushButton*>(button);
        done(box_->buttonRole(button) == QDialogButtonBox::AcceptRole ? Accepted : Rejected);
    });

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing, nullptr, this) * 2);
    grid->addWidget(iconLabel, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(title_, 0, 1);
    grid->addWidget(body_, 1, 1);
    grid->addWidget(box_, 2, 0, 1, 2);
    grid->setRowStretch(1, 1);
    grid->setSizeConstraint(QLayout::SetFixedSize);

    setAccessibleName(title);
    setAccessibleDescription(body);
}

QPushButton* AlertDialog::addButton(const QString& text, QDialogButtonBox::ButtonRole role) {
    auto* button = new QPushButton(QString(text).replace('&', "&&"));
    button->setAccessibleName(text);
    box_->addButton(button, role);
    buttons_.push_back(button);
    return button;
}

QString AlertDialog::title() const { return title_->text(); }

QString AlertDialog::body() const { return body_->text(); }

void AlertDialog::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        if (escape_) escape_->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void AlertDialog::closeEvent(QCloseEvent* event) {
    if (!escape_) {
        event->ignore();
        return;
    }
    if (!clicked_) {
        clicked_ = escape_;
        setResult(Rejected);
    }
    QDialog::closeEvent(event);
}

}  // namespace tamsel
