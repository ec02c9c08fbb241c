#include "ui/dialogs/copy_target_form.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

#include "ui/dialogs/dialog_util.h"

namespace pelko {

TCopyTargetForm::TCopyTargetForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CopyTargetForm"));
    setWindowTitle(QStringLiteral("Копировать в прибор"));
    Targets_ = new QComboBox;
    Targets_->setObjectName(QStringLiteral("CBTarget"));
    Targets_->setMaxVisibleItems(16);
    QLabel* label = LabelFor(QStringLiteral("Скопировать карты в прибор:"), Targets_);
    LayOutQuestion(this, label, Targets_);
}

void TCopyTargetForm::SetChoices(const std::vector<std::pair<int, QString>>& choices) {
    Targets_->clear();
    for (const auto& [index, text] : choices) Targets_->addItem(text, index);
    Targets_->setCurrentIndex(choices.empty() ? -1 : 0);
}

int TCopyTargetForm::Chosen() const {
    const QVariant v = Targets_->currentData();
    return v.isValid() ? v.toInt() : -1;
}

void TCopyTargetForm::CentreOn(const QRect& mainFrame) {
    CentreWindowOn(this, mainFrame);
}

void TCopyTargetForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Targets_->setFocus();
}

}  // namespace pelko
