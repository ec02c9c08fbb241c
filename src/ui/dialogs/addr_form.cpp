#include "ui/dialogs/addr_form.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "ui/dialogs/dialog_util.h"

namespace pelko {

TAddrForm::TAddrForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AddrForm"));
    setWindowTitle(QStringLiteral("Выбор адреса контроллера"));

    CBAddr_ = new QComboBox;
    CBAddr_->setObjectName(QStringLiteral("CBAddr"));
    CBAddr_->setMaxVisibleItems(16);
    QLabel* label = LabelFor(QStringLiteral("Выберите новый адрес для контроллера:"), CBAddr_);

    OKButton_ = LayOutQuestion(this, label, CBAddr_);
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
