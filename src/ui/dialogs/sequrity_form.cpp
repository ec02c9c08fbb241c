#include "ui/dialogs/sequrity_form.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/dialogs/dialog_util.h"
#include "ui/dialogs/password_edit.h"

namespace pelko {

TSequrityForm::TSequrityForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SequrityForm"));
    setWindowTitle(QStringLiteral("Безопасность"));

    PasswordEdit_ = new TPasswordEdit;
    PasswordEdit_->setObjectName(QStringLiteral("PasswordEdit"));
    QLabel* label = LabelFor(QStringLiteral("Введите пароль  для регистрации в контроллере:"), PasswordEdit_);

    OKButton_ = LayOutQuestion(this, label, PasswordEdit_);
    // The window manager may cut the title of so narrow a window.
    Device_ = new QLabel;
    Device_->setObjectName(QStringLiteral("DeviceLabel"));
    Device_->setTextFormat(Qt::PlainText);
    static_cast<QBoxLayout*>(layout())->insertWidget(0, Device_);
    Device_->hide();
    OKButton_->setEnabled(false);
    connect(PasswordEdit_, &QLineEdit::textChanged, this, [this] { OKButton_->setEnabled(PasswordEdit_->Complete()); });
}

void TSequrityForm::Prepare(const QString& device) {
    setWindowTitle(device.isEmpty() ? QStringLiteral("Безопасность") : QStringLiteral("Безопасность — ") + device);
    Device_->setText(device);
    Device_->setVisible(!device.isEmpty());
    PasswordEdit_->clear();
    OKButton_->setEnabled(false);
}

QString TSequrityForm::Password() const { return PasswordEdit_->text(); }

void TSequrityForm::CentreOn(const QRect& mainFrame) {
    CentreWindowOn(this, mainFrame);
}

void TSequrityForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PasswordEdit_->setFocus();
}

}  // namespace pelko
