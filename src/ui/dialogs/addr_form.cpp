#include "ui/dialogs/addr_form.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/dialogs/dialog_util.h"

namespace pelko {

TAddrForm::TAddrForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AddrForm"));
    setWindowTitle(QStringLiteral("Выбор адреса контроллера"));

    CBAddr_ = new QComboBox;
    CBAddr_->setObjectName(QStringLiteral("CBAddr"));
    CBAddr_->setMaxVisibleItems(16);
    QLabel* label = LabelFor(QStringLiteral("Выберите новый адрес для контроллера:"), CBAddr_);

    OKButton_ = Named(new QPushButton(QStringLiteral("ОК!")), "OKButton", QStringLiteral("ОК!"));
    OKButton_->setDefault(true);
    connect(OKButton_, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = Named(new QPushButton(QStringLiteral("Отмена")), "CancelButton", QStringLiteral("Отмена"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton_);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(CBAddr_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TAddrForm::SetChoices(const std::vector<std::uint8_t>& choices) {
    CBAddr_->clear();
    for (std::uint8_t a : choices) CBAddr_->addItem(QString::number(a), int(a));
    CBAddr_->setCurrentIndex(choices.empty() ? -1 : 0);
}

std::uint8_t TAddrForm::Chosen() const {
    const QVariant v = CBAddr_->currentData();
    return v.isValid() ? static_cast<std::uint8_t>(v.toInt()) : 0;
}

void TAddrForm::CentreOn(const QRect& mainFrame) {
    CentreWindowOn(this, mainFrame);
}

void TAddrForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    OKButton_->setFocus();
}

}  // namespace pelko
