#include "ui/dialogs/sequrity_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_util.h"
#include "ui/dialogs/password_edit.h"

namespace pelko {

TSequrityForm::TSequrityForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SequrityForm"));
    setWindowTitle(QStringLiteral("Безопасность"));

    PasswordEdit_ = new TPasswordEdit;
    PasswordEdit_->setObjectName(QStringLiteral("PasswordEdit"));
    QLabel* label = LabelFor(QStringLiteral("Введите пароль  для регистрации в контроллере:"), PasswordEdit_);

    OKButton_ = Named(new QPushButton(QStringLiteral("ОК!")), "OKButton", QStringLiteral("ОК!"));
    OKButton_->setDefault(true);
    OKButton_->setEnabled(false);
    connect(OKButton_, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = Named(new QPushButton(QStringLiteral("Отмена")), "CancelButton", QStringLiteral("Отмена"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(PasswordEdit_, &QLineEdit::textChanged, this, [this] { OKButton_->setEnabled(PasswordEdit_->Complete()); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(PasswordEdit_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TSequrityForm::Prepare() {
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
