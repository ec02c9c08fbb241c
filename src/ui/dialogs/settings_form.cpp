#include "ui/dialogs/settings_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "engine/progress.h"
#include "ui/dialogs/dialog_util.h"

namespace pelko {
namespace {

QComboBox* List(const char* name, const QStringList& items) {
    auto* box = new QComboBox;
    box->setObjectName(QString::fromLatin1(name));
    box->addItems(items);
    return box;
}

QCheckBox* NamedCheck(const char* name, const QString& caption) {
    return Named(new QCheckBox(caption), name, caption);
}

// "не работает", 100, 300, ... 2700 ms with the unit given, "не выключится сам.".
QStringList TimeItems(const QString& unit) {
    QStringList items{QStringLiteral("не работает")};
    for (int ms = 100; ms <= 2700; ms += 200) items << QString::number(ms) + unit;
    items << QStringLiteral("не выключится сам.");
    return items;
}

void AddList(QFormLayout* form, const QString& label, QComboBox* box) {
    form->addRow(LabelFor(label, box), box);
}

void SetIndex(QComboBox* box, int index) {
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

}  // namespace

QStringList TSettingsForm::BuzzerTimeItems() { return TimeItems(QStringLiteral(" мсек.")); }
QStringList TSettingsForm::RelayTimeItems() { return TimeItems(QStringLiteral(" мсек")); }

TSettingsForm::TSettingsForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SettingsForm"));
    setWindowTitle(QString::fromUtf8(kParamsDialogCaption));
    SetCloseButtonHint(this, true);

    VParam1_ = List("VParam1", {QStringLiteral("1 (мин.)"), QStringLiteral("2"), QStringLiteral("3"),
                                QStringLiteral("4 (макс.)")});
    VParam2_ = NamedCheck("VParam2", QStringLiteral("Отправка кода любой карты"));
    VParam3_ = NamedCheck("VParam3", QStringLiteral("Отправка кода карты из памяти"));
    VParam4_ = NamedCheck("VParam4", QStringLiteral("Циклическая отправка кода карты"));
    VParam6_ = List("VParam6", {QStringLiteral("на любую"), QStringLiteral("на записанную в память"),
                                QStringLiteral("нет реакции")});
    VParam7_ = NamedCheck("VParam7", QStringLiteral("Циклическая работа зуммера"));
    vParam8_ = List("vParam8", BuzzerTimeItems());
    VParam9_ = List("VParam9", {QStringLiteral("на любую карту"), QStringLiteral("только на карту в памяти"),
                                QStringLiteral("не реагирует на карту")});
    VParam10_ = NamedCheck("VParam10", QStringLiteral("Циклическая работа реле"));
    VParam11_ = List("VParam11", RelayTimeItems());
    VParam12_ = List("VParam12", {QStringLiteral("нормально разомкнуто"), QStringLiteral("нормально замкнуто")});
    VParam13_ = NamedCheck("VParam13", QStringLiteral("Использовать память только при сбое обмена"));
    VParam14_ = NamedCheck("VParam14", QStringLiteral("Автоматическая разрегистрация "));

    // First page: reader and code sending, buzzer, relay.
    auto* params = new QWidget;
    params->setObjectName(QStringLiteral("ParamsTabSheet"));
    auto* paramsForm = new QFormLayout(params);
    paramsForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    AddList(paramsForm, QStringLiteral("Чувствительность контроллера"), VParam1_);
    paramsForm->addRow(VParam2_);
    paramsForm->addRow(VParam3_);
    paramsForm->addRow(VParam4_);
    AddList(paramsForm, QStringLiteral("Реакция зуммера на карту"), VParam6_);
    paramsForm->addRow(VParam7_);
    AddList(paramsForm, QStringLiteral("Время работы зуммера"), vParam8_);
    AddList(paramsForm, QStringLiteral("Реакция реле"), VParam9_);
    paramsForm->addRow(VParam10_);
    AddList(paramsForm, QStringLiteral("Время работы реле"), VParam11_);

    // Second page: relay contact, memory use, log-out.
    auto* extra = new QWidget;
    extra->setObjectName(QStringLiteral("ExtraTabSheet"));
    auto* extraForm = new QFormLayout(extra);
    extraForm->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    AddList(extraForm, QStringLiteral("Режим работы реле"), VParam12_);
    extraForm->addRow(VParam13_);
    extraForm->addRow(VParam14_);

    PageControl_ = Named(new QTabWidget, "PageControl", QString());
    PageControl_->addTab(params, QStringLiteral(" Параметры"));
    PageControl_->addTab(extra, QStringLiteral("Дополнительные параметры"));
    params->setAccessibleName(PageControl_->tabText(0));
    extra->setAccessibleName(PageControl_->tabText(1));

    OKButton_ = Named(new QPushButton(QStringLiteral("Принять")), "OKButton", QStringLiteral("Принять"));
    OKButton_->setDefault(true);
    connect(OKButton_, &QPushButton::clicked, this, &QDialog::accept);
    CloseButton_ = Named(new QPushButton(QStringLiteral("Закрыть")), "CloseButton", QStringLiteral("Закрыть"));
    CloseButton_->setAutoDefault(false);
    connect(CloseButton_, &QPushButton::clicked, this, &TSettingsForm::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton_);
    buttons->addWidget(CloseButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TSettingsForm::ParamsToDialog(const TDeviceParams& p) {
    PageControl_->setCurrentIndex(0);
    SetIndex(VParam1_, p.VParam1);
    VParam2_->setChecked(p.VParam2);
    VParam3_->setChecked(p.VParam3);
    VParam4_->setChecked(p.VParam4);
    SetIndex(VParam6_, p.VParam6);
    VParam7_->setChecked(p.VParam7);
    SetIndex(vParam8_, p.vParam8);
    SetIndex(VParam9_, p.VParam9);
    VParam10_->setChecked(p.VParam10);
    SetIndex(VParam11_, p.VParam11);
    SetIndex(VParam12_, p.VParam12);
    VParam13_->setChecked(p.VParam13);
    VParam14_->setChecked(p.VParam14);
}

TDeviceParams TSettingsForm::DialogToParams() const {
    TDeviceParams p;
    p.VParam1 = VParam1_->currentIndex();
    p.VParam2 = VParam2_->isChecked();
    p.VParam3 = VParam3_->isChecked();
    p.VParam4 = VParam4_->isChecked();
    p.VParam6 = VParam6_->currentIndex();
    p.VParam7 = VParam7_->isChecked();
    p.vParam8 = vParam8_->currentIndex();
    p.VParam9 = VParam9_->currentIndex();
    p.VParam10 = VParam10_->isChecked();
    p.VParam11 = VParam11_->currentIndex();
    p.VParam12 = VParam12_->currentIndex();
    p.VParam13 = VParam13_->isChecked();
    p.VParam14 = VParam14_->isChecked();
    return p;
}

void TSettingsForm::SetCloseEnabled(bool enabled) {
    CloseEnabled_ = enabled;
    CloseButton_->setEnabled(enabled);
    SetCloseButtonHint(this, enabled);
}

void TSettingsForm::reject() {
    if (CloseEnabled_) QDialog::reject();
}

void TSettingsForm::CentreOn(const QRect& mainFrame) {
    CentreWindowOn(this, mainFrame);
}

void TSettingsForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    OKButton_->setFocus();
}

}  // namespace pelko
