#include "demo/demo_window.h"

#include <QFormLayout>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QSplitter>
#include <QVBoxLayout>

namespace pelko::demo {

namespace {

struct TSpinSetup {
    const char* Name;
    const char* Caption;
    std::uint32_t Min;
    std::uint32_t Max;
    std::uint32_t Value;
};

const TSpinSetup kSettingsSpins[] = {
    {"CircleSpin", "Число циклов поиска", 0, 4294967295u, 30},
    {"SpinTOConstant", "Постоянная тайм-аута, мс", 0, 40000, 120},
    {"SpinIntervalTO", "Интервальный тайм-аут, мс", 0, 40000, 0},
    {"SpinTailinUS", "Задержка приёма, мкс", 0, 40000, 400},
    {"SpinMaxAttempt", "Число попыток", 0, 50, 3},
    {"SpinTOMultipl", "Множитель тайм-аута, мс", 0, 40000, 1},
    {"SpinNComPort", "Номер COM-порта", 1, 16, 1},
};

}  // namespace

TDemoWindow::TDemoWindow() : Cards_(MakeCards(1000)) {
    setWindowTitle(QStringLiteral("controls-demo"));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);
    setFont(f);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(BuildCardSide());
    Inspector_ = new TAInspector;
    Inspector_->SetColWidth(0, 110);
    Inspector_->SetColWidth(1, 190);
    Inspector_->LoadParams(MakeInspectorMarkup());
    Inspector_->OnChangeValue = [this](const QString& key, const QString& name, const QString& value, bool&) {
        Status_->setText(QStringLiteral("%1 / %2 := %3").arg(key, name, value));
    };
    splitter->addWidget(Inspector_);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    Status_ = new QLabel(QStringLiteral("Карты пользователей"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter, 1);
    layout->addWidget(BuildSettings());
    layout->addWidget(Status_);
    resize(820, 640);
}

QWidget* TDemoWindow::BuildCardSide() {
    auto* side = new QWidget;
    CardGrid_ = new TYSGrid;
    CardGrid_->SetColCount(3);
    CardGrid_->SetWheelSelected(false);
    CardGrid_->SetHotHint(true);
    CardGrid_->SetColWidth(0, 50);
    CardGrid_->SetColWidth(1, 90);
    CardGrid_->SetColWidth(2, 250);
    CardGrid_->OnGetColumnName = [](int col, TWinColor& color, QString& data) {
        static const QString kNames[3] = {QStringLiteral("Ячейка"), QStringLiteral("Код"),
                                          QStringLiteral("Пользователь")};
        color = 0;
        data = col >= 0 && col < 3 ? kNames[col] : QString();
    };
    CardGrid_->OnGetCellData = [this](int row, int col, TWinColor& color, QString& data) {
        const TDemoCard& card = Cards_[row];
        color = card.Marked ? 0xFF0000 : 0;
        data = col == 0 ? QString::number(card.Pos) : col == 1 ? card.Code : card.User;
    };
    CardGrid_->SetRowCount(static_cast<int>(Cards_.size()));
    CardGrid_->OnChangeRow = [this] {
        Status_->setText(QStringLiteral("Строка %1").arg(CardGrid_->Row()));
    };
    CardGrid_->GoToRow(5);

    auto* panel = new QFrame;
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* panelLayout = new QVBoxLayout(panel);
    panelLayout->setContentsMargins(1, 1, 1, 1);
    GridDev_ = new TACGrid;
    GridDev_->SetCaption(QStringLiteral("Приборы"));
    GridDev_->SetMinCellWidth(50);
    GridDev_->SetMaxHeightConstraint(103);
    GridDev_->OnCellClick = [this](PColorCell cell, TCellButton) {
        SelectedDevice_ = cell->Index;
        ShowDevices();  // the clicked cell's list is gone after this
    };
    GridDev_->OnMouseCell = [this](PColorCell cell) {
        Status_->setText(cell ? QString::fromStdString(cell->Text).trimmed() : QString());
    };
    panelLayout->addWidget(GridDev_);
    ShowDevices();

    auto* layout = new QVBoxLayout(side);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(CardGrid_, 1);
    layout->addWidget(panel);
    return side;
}

void TDemoWindow::ShowDevices() {
    TColorCellList old = std::move(Cells_);
    Cells_ = MakeDeviceCells(30, SelectedDevice_);
    GridDev_->SetCells(&Cells_);
    FreeCellList(old);
}

QWidget* TDemoWindow::BuildSettings() {
    auto* box = new QGroupBox(QStringLiteral("Настройки программы"));
    auto* row = new QHBoxLayout(box);
    auto* left = new QFormLayout;
    auto* right = new QFormLayout;
    int i = 0;
    for (const TSpinSetup& setup : kSettingsSpins) {
        auto* spin = new TDivisorSpinEdit;
        spin->setObjectName(QString::fromLatin1(setup.Name));
        spin->SetMaxValue(setup.Max);
        spin->SetMinValue(setup.Min);
        spin->SetValue(setup.Value);
        (i++ < 4 ? left : right)->addRow(QString::fromUtf8(setup.Caption), spin);
    }
    auto* counting = new TExProgressBar;
    counting->setRange(1, 254);
    counting->setValue(100);
    auto* marquee = new TExProgressBar;
    marquee->SetBarColor(0x008000);
    marquee->SetMarqueeStyle(true);
    marquee->AdvanceMarquee();
    for (int k = 0; k < 30; ++k)
        marquee->AdvanceMarquee();
    right->addRow(QStringLiteral("Считывание карт"), counting);
    right->addRow(QStringLiteral("Поиск приборов"), marquee);
    row->addLayout(left);
    row->addLayout(right);
    return box;
}

}  // namespace pelko::demo
