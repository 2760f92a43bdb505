#pragma once
// The window that asks for a code of a fixed number of digits: the question's text, one
// field that takes ASCII digits only, and the accepting button, enabled only while the
// field holds exactly that many digits, beside the cancelling one.

#include <QDialog>
#include <QString>

#include "app/Platform.h"

class QLineEdit;
class QPushButton;

namespace tamsel {

class MFACodeDialog final : public QDialog {
    Q_OBJECT
public:
    explicit MFACodeDialog(const CodeQuestion& question);

    QString code() const;

private:
    QLineEdit* field_;
    QPushButton* accept_;
};

}  // namespace tamsel
