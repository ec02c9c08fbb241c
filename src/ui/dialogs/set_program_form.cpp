#include "ui/dialogs/set_program_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QAbstractItemView>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

#include "config/program_settings.h"
#include "controls/divisor_spin_edit.h"
#include "ui/dialogs/dialog_util.h"
#include "ui/dialogs/password_edit.h"

namespace pelko {
namespace {

TDivisorSpinEdit* Spin(const char* name, std::uint32_t min, std::uint32_t max) {
    auto* spin = new TDivisorSpinEdit;
    spin->setObjectName(QString::fromLatin1(name));
    spin->SetMaxValue(max);
    spin->SetMinValue(min);
    return spin;
}

QCheckBox* Check(const char* name, const QString& caption) {
    return Named(new QCheckBox(caption), name, caption);
}

void Show(TDivisorSpinEdit* spin, int value) { spin->SetText(QString::number(value)); }

int Read(TDivisorSpinEdit* spin) {
    return static_cast<int>(std::min<std::uint32_t>(spin->GetValue(), INT_MAX));
}

}  // namespace

TSetProgramForm::TSetProgramForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SetProgramForm"));
    setWindowTitle(QStringLiteral("Настройки программы"));

    // Page "Контроллеры".
    ChSpeed_ = new QComboBox;
    ChSpeed_->setObjectName(QStringLiteral("ChSpeed"));
    for (std::uint32_t baud : kStandardBauds) ChSpeed_->addItem(QString::number(baud));
    EdPass_ = new TPasswordEdit;
    EdPass_->setObjectName(QStringLiteral("EdPass"));
    EdPass_->setMinimumWidth(EdPass_->fontMetrics().horizontalAdvance(QStringLiteral("DDDDDDDDDDDD")));
    AutoReadKey_ = Check("AutoReadKey", QStringLiteral("Автоматически считывать карты"));
    AutoWrKey_ = Check("AutoWrKey", QStringLiteral("Автоматически записывать карты"));
    AutoWrPar_ = Check("AutoWrPar", QStringLiteral("Автоматически устанавливать настройки п/у"));
    CircleSpin_ = Spin("CircleSpin", 0, kMaxCircleFind);
    CBSavePass_ = Check("CBSavePass", QStringLiteral("Сохранять индивидуальный пароль"));
    CBBackupRead_ = Check("CBBackupRead", QStringLiteral("Считывать карты для резервной копии перед стиранием"));
    CBBackupRead_->setChecked(true);
    CBWriteAll_ = Check("CBWriteAll", QStringLiteral("Записывать все ячейки"));
    // Read by a screen reader too: the caption alone does not say when it is needed.
    const QString writeAllWhy = QStringLiteral(
        "Запись карт отправляет в прибор все 1010 ячеек и считывает каждую обратно, а не только те,\n"
        "что отличаются от известного программе. Медленнее; нужно, если карты могли изменить\n"
        "на самом приборе (мастер-картой) после того, как их считали.");
    CBWriteAll_->setToolTip(writeAllWhy);
    CBWriteAll_->setAccessibleDescription(writeAllWhy);

    auto* dev = new QWidget;
    dev->setObjectName(QStringLiteral("DevTabSheet"));
    auto* devForm = new QFormLayout(dev);
    devForm->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    devForm->addRow(LabelFor(QStringLiteral("Скорость, бит/сек.:"), ChSpeed_), ChSpeed_);
    devForm->addRow(LabelFor(QStringLiteral("Общий пароль:"), EdPass_), EdPass_);
    devForm->addRow(AutoReadKey_);
    devForm->addRow(AutoWrKey_);
    devForm->addRow(AutoWrPar_);
    devForm->addRow(LabelFor(QStringLiteral("Через сколько команд производить поиск :"), CircleSpin_), CircleSpin_);
    devForm->addRow(CBSavePass_);
    devForm->addRow(CBBackupRead_);
    devForm->addRow(CBWriteAll_);

    // Page " Порт".
    SpinNComPort_ = Spin("SpinNComPort", 1, kMaxComPort);
    PortDevice_ = new QComboBox;
    PortDevice_->setObjectName(QStringLiteral("PortDevice"));
    PortDevice_->setEditable(true);
    PortDevice_->setInsertPolicy(QComboBox::NoInsert);
    PortDevice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    PortDevice_->setMinimumContentsLength(14);
    SpinTOConstant_ = Spin("SpinTOConstant", 0, kMaxPortValue);
    SpinTOMultipl_ = Spin("SpinTOMultipl", 0, kMaxPortValue);
    SpinIntervalTO_ = Spin("SpinIntervalTO", 0, kMaxPortValue);
    CBoxSmartPi_ = new QComboBox;
    CBoxSmartPi_->setObjectName(QStringLiteral("CBoxSmartPi"));
    CBoxSmartPi_->addItems({QStringLiteral("автоматич."), QStringLiteral("программа")});
    SpinTailinUS_ = Spin("SpinTailinUS", 0, kMaxPortValue);
    SpinMaxAttempt_ = Spin("SpinMaxAttempt", 0, 50);

    auto* port = new QWidget;
    port->setObjectName(QStringLiteral("PortTabSheet"));
    auto* grid = new QGridLayout(port);
    int row = 0;
    auto add = [&](const QString& label, QWidget* control) {
        grid->addWidget(LabelFor(label, control), row, 0);
        grid->addWidget(control, row, 1);
        ++row;
    };
    add(QStringLiteral("Номер последовательного порта:"), SpinNComPort_);
    grid->addWidget(LabelFor(QStringLiteral("Устройство:"), PortDevice_), 0, 2);
    grid->addWidget(PortDevice_, 0, 3);
    add(QStringLiteral("Ожидание ответа (мсек.):"), SpinTOConstant_);
    add(QStringLiteral("Дополнительное ожидание ответа на байт (мсек.):"), SpinTOMultipl_);
    add(QStringLiteral("Максимальный интервал между байтами (мсек.):"), SpinIntervalTO_);
    add(QStringLiteral("Переключение приема/передачи:"), CBoxSmartPi_);
    add(QStringLiteral("Доп. задержка переключения на прием  (мксек.):"), SpinTailinUS_);
    add(QStringLiteral("Количество попыток выполнить команду:"), SpinMaxAttempt_);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(row, 1);

    PageControl_ = Named(new QTabWidget, "PageControl", QString());
    PageControl_->addTab(dev, QStringLiteral("Контроллеры"));
    PageControl_->addTab(port, QStringLiteral(" Порт"));
    dev->setAccessibleName(PageControl_->tabText(0));
    port->setAccessibleName(PageControl_->tabText(1));

    OKButton_ = Named(new QPushButton(QStringLiteral("Принять")), "OKButton", QStringLiteral("Принять"));
    OKButton_->setDefault(true);
    connect(OKButton_, &QPushButton::clicked, this, &QDialog::accept);
    CancelButton_ = Named(new QPushButton(QStringLiteral("Закрыть")), "CancelButton", QStringLiteral("Закрыть"));
    CancelButton_->setAutoDefault(false);
    connect(CancelButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(EdPass_, &QLineEdit::textChanged, this, [this] { OKButton_->setEnabled(EdPass_->Complete()); });
    connect(SpinNComPort_, &QLineEdit::textChanged, this, [this] { ShowPortPath(); });
    OKButton_->setEnabled(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKButton_);
    buttons->addWidget(CancelButton_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TSetProgramForm::Fill(const TSettingsDialogValues& v) {
    PageControl_->setCurrentIndex(0);
    EdPass_->setText(QString::fromStdString(v.EdPass));
    Show(SpinNComPort_, v.SpinNComPort);
    Show(SpinTOConstant_, v.SpinTOConstant);
    Show(SpinTOMultipl_, v.SpinTOMultipl);
    Show(SpinIntervalTO_, v.SpinIntervalTO);
    CBoxSmartPi_->setCurrentIndex(v.CBoxSmartPi == 0 ? 0 : 1);
    Show(SpinTailinUS_, v.SpinTailinUS);
    Show(SpinMaxAttempt_, v.SpinMaxAttempt);
    Show(CircleSpin_, v.CircleSpin);
    AutoWrPar_->setChecked(v.AutoWrPar);
    AutoWrKey_->setChecked(v.AutoWrKey);
    AutoReadKey_->setChecked(v.AutoReadKey);
    CBSavePass_->setChecked(v.CBSavePass);
    const bool offered = v.ChSpeed >= 0 && v.ChSpeed < ChSpeed_->count();
    ChSpeed_->setCurrentIndex(offered ? v.ChSpeed : SpeedIndex(0));
    ShownSpeed_ = v.ShownSpeed;
    OKButton_->setEnabled(EdPass_->Complete());
    ShowPortPath();
}

TSettingsDialogValues TSetProgramForm::Values() {
    TSettingsDialogValues v;
    v.ChSpeed = ChSpeed_->currentIndex();
    v.ShownSpeed = ShownSpeed_;
    v.EdPass = EdPass_->text().toStdString();
    v.AutoReadKey = AutoReadKey_->isChecked();
    v.AutoWrKey = AutoWrKey_->isChecked();
    v.AutoWrPar = AutoWrPar_->isChecked();
    v.CBSavePass = CBSavePass_->isChecked();
    // In the order the settings take them: a spin that is not a number
    // shows its minimum from here on.
    v.SpinIntervalTO = Read(SpinIntervalTO_);
    v.SpinTailinUS = Read(SpinTailinUS_);
    v.SpinTOConstant = Read(SpinTOConstant_);
    v.SpinTOMultipl = Read(SpinTOMultipl_);
    v.SpinMaxAttempt = Read(SpinMaxAttempt_);
    v.SpinNComPort = Read(SpinNComPort_);
    v.CircleSpin = Read(CircleSpin_);
    v.CBoxSmartPi = CBoxSmartPi_->currentIndex() == 0 ? 0 : 1;
    return v;
}

void TSetProgramForm::PlaceAtBottomRight(const QRect& mainFrame) {
    FitWindowInto(this, [&](QSize own) { return BottomRightPos(mainFrame, own); }, AvailableAreaFor(mainFrame));
}

void TSetProgramForm::CentreOn(const QRect& mainFrame) {
    CentreWindowOn(this, mainFrame);
}

void TSetProgramForm::SetPortDevices(std::function<QString(int)> pathFor, QStringList devices) {
    PathFor_ = std::move(pathFor);
    PortDevice_->clear();
    PortDevice_->addItems(devices);
    // The list opens as wide as its longest entry (by-id names are long).
    int widest = 0;
    for (const QString& d : devices) widest = std::max(widest, PortDevice_->fontMetrics().horizontalAdvance(d));
    PortDevice_->view()->setMinimumWidth(widest + 2 * PortDevice_->fontMetrics().averageCharWidth());
    ShowPortPath();
}

QString TSetProgramForm::PortPath() const { return PortDevice_->currentText(); }

void TSetProgramForm::SetBackupReadFirst(bool on) { CBBackupRead_->setChecked(on); }
bool TSetProgramForm::BackupReadFirst() const { return CBBackupRead_->isChecked(); }
void TSetProgramForm::SetWriteAllCells(bool on) { CBWriteAll_->setChecked(on); }
bool TSetProgramForm::WriteAllCells() const { return CBWriteAll_->isChecked(); }

void TSetProgramForm::ShowPortPath() {
    if (!PathFor_) return;
    bool ok = false;
    const int n = SpinNComPort_->text().trimmed().toInt(&ok);
    if (!ok) return;  // half typed; the number shown on leaving decides
    const QString path = PathFor_(std::clamp(n, 1, kMaxComPort));
    PortDevice_->setCurrentIndex(PortDevice_->findText(path));
    PortDevice_->setEditText(path);
    PortDevice_->setToolTip(path);
}

}  // namespace pelko
