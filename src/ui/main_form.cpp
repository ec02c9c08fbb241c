#include "ui/main_form.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QSettings>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "config/card_xlsx.h"
#include "controls/a_property_list.h"
#include "controls/ac_grid.h"
#include "controls/ys_grid.h"
#include "engine/port_settings.h"
#include "link/port_notice.h"
#include "ui/change_journal.h"
#include "ui/dialogs/about_form.h"
#include "ui/dialogs/addr_form.h"
#include "ui/dialogs/copy_target_form.h"
#include "ui/dialogs/dialog_util.h"
#include "ui/dialogs/progress_form.h"
#include "ui/dialogs/sequrity_form.h"
#include "ui/dialogs/set_program_form.h"
#include "ui/dialogs/settings_form.h"
#include "ui/card_undo.h"
#include "ui/exchange_panel.h"
#include "ui/file_dialogs.h"
#include "ui/glyphs.h"
#include "ui/simulator_menu.h"
#include "ui/status_text.h"

namespace pelko {
namespace {

constexpr char kProgramName[] = "ConfPelkoQ250";
constexpr int kSimulatedAnswerWaitMs = 50;
constexpr char kPlaceKey[] = "window/place";
constexpr char kMaximizedKey[] = "window/maximized";
constexpr char kSplitterKey[] = "window/splitter";

// The toolbar's buttons' hints, by TToolId up to the separators.
constexpr const char* kToolHints[] = {
    "Создать новую конфигурацию",
    "Сохранить конфигурацию в файл",
    "Открыть файл с конфигурацией",
    "Поиск приборов на текущей скорости",
    "Поиск приборов на всех скоростях",
    "Считать карты из приборов",
    "Записать карты в приборы",
    "Добавить прибор в группу",
    "Удалить прибор из группы",
};
static_assert(std::size(kToolHints) == static_cast<std::size_t>(TToolId::ToolBevel01));

struct TCardButtonDef {
    const char* Name;
    int Left;
    const char* Hint;
};

// By TCardBut.
constexpr TCardButtonDef kCardButtons[kCardButCount] = {
    {"ChView", 31, "Переключить режим отображения"},
    {"ChStatusCard", 54, "Сменить статус карты"},
    {"AddCardBut", 78, "Добавить карту"},
    {"EditBut", 102, "Править строку"},
    {"DelCardBut", 125, "Удалить карту"},
    {"InverseSel", 149, "Обратить выделение"},
    {"ReadCodeBut", 172, "Считать код карты"},
};

// A panel whose children are placed by hand: it reports its resizes.
class TPlacedPanel : public QFrame {
public:
    using QFrame::QFrame;
    std::function<void()> OnResize;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QFrame::resizeEvent(event);
        if (OnResize) OnResize();
    }
};

// The width a column or panel had in the old 8-point font, or more when the
// desktop's font needs it for this text.
int FitText(const QWidget* w, const char* text, int least) {
    return std::max(least, w->fontMetrics().horizontalAdvance(QString::fromUtf8(text)) + 12);
}

// The toolbar's font: 8 points, smaller where the desktop's font is too wide
// for the captions to fit the 54-pixel buttons.
QFont ToolFont(QFont f) {
    f.setPointSizeF(8);
    while (f.pointSizeF() > 6 && QFontMetrics(f).horizontalAdvance(QStringLiteral("Сохранить")) > 50)
        f.setPointSizeF(f.pointSizeF() - 0.5);
    return f;
}

QFrame* Line(QWidget* parent, const char* name, QFrame::Shape shape) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Sunken);
    line->setAccessibleName(QStringLiteral("Разделитель"));
    return line;
}

}  // namespace

TMainForm::TMainForm(TStartOptions options, QWidget* parent)
    : QMainWindow(parent),
      FOptions(std::move(options)),
      FPorts(FOptions.Ports, std::set<int>(FOptions.MappedPorts.begin(), FOptions.MappedPorts.end())) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowIcon(Emblem());

    if (FOptions.Simulate) {
        FSimulator = new TSimulatorMenu(this, FOptions.SimulateTiming);
        std::string error;
        if (FSimulator->Start(error)) FPorts.Fix(1, QString::fromStdString(FSimulator->PortPath()));
        else ShowMessage(kCaptionMessage, "Не удалось запустить имитацию приборов.\r\n" + error, TMsgIcon::Error);
    }
    CreateSession();
    FExchangeLog = std::make_shared<ExchangeLog>();
    FSession->SetExchangeLog(FExchangeLog);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    BuildToolPanel();
    column->addWidget(FToolPanel);
    FSplitter = new QSplitter(Qt::Horizontal, central);
    FSplitter->setObjectName(QStringLiteral("Splitter1"));
    FSplitter->setOpaqueResize(false);  // drawn as a line while dragging
    FSplitter->setChildrenCollapsible(false);
    FSplitter->addWidget(BuildCardPanel());
    FSplitter->addWidget(BuildInspectorPanel());
    FSplitter->setStretchFactor(0, 1);
    FSplitter->setStretchFactor(1, 0);
    FSplitter->setSizes({340, 300});
    column->addWidget(FSplitter, 1);
    setCentralWidget(central);
    FExchangePanel = new TExchangePanel(FExchangeLog, [this] {
        return FFileDialogs->SaveName(QStringLiteral("Сохранить журнал обмена"), StartFolder(),
                                      QStringLiteral("exchange.log"));
    });
    FExchangePanel->OnRecord = [this](const ExchangeRecord& r) { FSharedAddresses.Observe(r); };
    FExchangeDock = new QDockWidget(QStringLiteral("Журнал обмена"), this);
    FExchangeDock->setObjectName(QStringLiteral("ExchangeDock"));
    FExchangeDock->setWidget(FExchangePanel);
    addDockWidget(Qt::BottomDockWidgetArea, FExchangeDock);
    FExchangeDock->setVisible(QSettings().value(QStringLiteral("exchangeLog/visible"), false).toBool());
    BuildMenus();
    BuildStatusBar();
    BuildPaneKeys();

    FEngineClock = new QTimer(this);
    FEngineClock->setInterval(static_cast<int>(kTimerMs));
    connect(FEngineClock, &QTimer::timeout, this, [this] {
        if (FHold == 0 && FEngine->Ticking()) FEngine->Tick();
    });

    // The dialogs, in the order the program has always made them.
    FDevSettings = new TSettingsForm(this);
    FSequrity = new TSequrityForm(this);
    FProgress = new TProgressForm(this);
    // Cancel, Escape or closing: the engine stops after the answer in flight.
    connect(FProgress, &QDialog::rejected, this, [this] {
        if (FEngine->Busy()) FEngine->Cancel();
    });
    FSetProgram = new TSetProgramForm(this);
    FAddr = new TAddrForm(this);
    FCopyTarget = new TCopyTargetForm(this);
    FFileDialogs = MakeQtFileDialogs(this);

    SetDefaults();
    if (FSimulator && !FOptions.SimulateTiming) {
        // Tests and screenshots: the controllers answer at once and never
        // garble a frame, so a search need not wait as long for the addresses
        // nobody has. A user's --simulate runs at the line's pace and keeps
        // the program's own wait and attempts: on a busy machine a shorter
        // wait loses answering controllers, and a file saved would carry it.
        FSettings.TOConstant = kSimulatedAnswerWaitMs;
        FSettings.MaxAttempt = 1;
        FSession->SetTimeOutConstant(FSettings.TOConstant);
        FSession->SetMax_Attempt(1);
    }
    // FormCreate: an empty card list on an empty record.
    FCardGrid->SetRowCount(0);
    RepaintCardGrid();
    UpdateGridDev();
    UpdateControls();
    PlaceOnScreen();
    TakeSaved();
    ToolButton(TToolId::SpButFind)->setFocus(Qt::OtherFocusReason);  // where work starts
}

TMainForm::~TMainForm() {
    // The worker must be gone before the window: it posts to it.
    FEngine.reset();
    FSession.reset();
    FGridDev->SetCells(nullptr);
}

void TMainForm::CreateSession() {
    PortOpener opener = [this](std::uint8_t n, std::string& error) {
        return MakePortOpener(FPorts.Map())(n, error);
    };
    if (FSimulator) opener = FSimulator->Opener(std::move(opener));
    // A slow adapter works, only slower: the status bar says so once.
    opener = TellingNotices(std::move(opener), [this](const std::string& text) {
        QMetaObject::invokeMethod(
            this, [this, t = QString::fromStdString(text)] { FStatusInfo->setText(t); }, Qt::QueuedConnection);
    });
    FSession = std::make_unique<TPelkoSession>(opener, [this] {
        QMetaObject::invokeMethod(this, [this] { DispatchSession(); }, Qt::QueuedConnection);
    });
    FEngine = std::make_unique<TEngine>(*FSession, FGroup, FSettings, *this, opener);
    FChangeJournal = std::make_unique<TChangeJournal>(
        FSettings, this, [this](const std::string& text) { ShowMessage(kCaptionAttention, text, TMsgIcon::Warning); });
    FEngine->SetRecorder(&FChangeJournal->Recorder());
    FFileHost = std::make_unique<EngineFileHost>(*FSession, FBoxes, *this);
}

// Start-up values of the settings and the session; the session stays
// inactive until a search or a file needs the line.
void TMainForm::SetDefaults() {
    FSettings = ProgramSettings{};
    FShiftAnchor = NoCard;
    TPelkoSession& s = *FSession;
    s.SetActive(false);
    s.SetPortBaudRate(FSettings.PortBaudRate);
    s.SetTimeOutConstant(FSettings.TOConstant);
    s.SetTimeOutMultiplier(FSettings.TOMultiplier);
    s.SetMax_Attempt(SessionMaxAttempt(FSettings.MaxAttempt));
    s.SetTailinUS(FSettings.TailinUS);
    s.SetSmartPI(false);
    s.SetIntervalTimeOut(FSettings.IntervalTO);
    s.SetComPort(static_cast<std::uint8_t>(FSettings.NComPort));
    s.SetFound(false);
    s.SetSearchAddr(false);
    s.SetERUniqueButton(true);
    FActions.SetDevParams->setEnabled(false);
    FActions.OpenWithPas->setEnabled(false);
    FMenuDev->menuAction()->setEnabled(false);
    SetMasterView(false);
    SetCardFocus(false);
    FCardGrid->SetColWidth(0, FitText(FCardGrid, "Ячейка", 50));
    FCardGrid->SetColWidth(1, FitText(FCardGrid, "DDDDDDDDDD", 70));
    FCardGrid->SetColWidth(2, std::max(60, FCardGrid->width() - 126));
    FInspector->SetColWidth(0, FitText(FInspector, "Пользователь", 80));
    FInspector->SetColWidth(1, FInspectorPanel->width() - FInspector->GetColWidth(0) - 6);
    FConfigFileName.clear();
}

// 640 x 620 centred, or as much of it as the screen's free area holds with
// the window manager's frame: on a small or scaled screen the title bar, the
// menu and the status bar must stay on it.
void TMainForm::PlaceOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 640, 620);
    const QSize room = area.size() - FrameAllowance(this);
    setMinimumSize(QSize(640, 480).boundedTo(room));
    resize(QSize(640, 620).boundedTo(room));
    QSize outer = size() + FrameAllowance(this);
    move(ClampToArea(area.center() - QPoint(outer.width() / 2, outer.height() / 2), outer, area));
    // Where the user left it last time, as far as this screen holds it.
    const QSettings settings;
    FSplitter->restoreState(settings.value(QString::fromLatin1(kSplitterKey)).toByteArray());
    const QRect place = settings.value(QString::fromLatin1(kPlaceKey)).toRect();
    if (place.isValid()) {
        resize(place.size().boundedTo(room).expandedTo(minimumSize()));
        outer = size() + FrameAllowance(this);
        move(ClampToArea(place.topLeft(), outer, area));
    }
    if (settings.value(QString::fromLatin1(kMaximizedKey)).toBool()) setWindowState(Qt::WindowMaximized);
}

// The frame's corner and the size, as move() and resize() take them; a
// maximized window keeps the place it had before, to come back to.
void TMainForm::RememberPlace() {
    QSettings settings;
    if (!isMaximized() && !isFullScreen()) settings.setValue(QString::fromLatin1(kPlaceKey), QRect(pos(), size()));
    settings.setValue(QString::fromLatin1(kMaximizedKey), isMaximized());
    settings.setValue(QString::fromLatin1(kSplitterKey), FSplitter->saveState());
}

// --- composition ------------------------------------------------------------

QToolButton* TMainForm::AddToolButton(QWidget* parent, const char* name, const char* hint) {
    auto* button = new QToolButton(parent);
    const QString objectName = QString::fromLatin1(name);
    button->setObjectName(objectName);
    button->setAutoRaise(true);
    if (objectName != QLatin1String("LogoSpeedButton")) button->setIcon(Glyph(objectName));
    button->setIconSize(QSize(16, 16));
    button->setToolTip(QString::fromUtf8(hint));
    button->setAccessibleName(QString::fromUtf8(hint));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::TabFocus);
    return button;
}

void TMainForm::BuildToolPanel() {
    auto* panel = new TPlacedPanel;
    FToolPanel = panel;
    panel->setObjectName(QStringLiteral("ToolPanel"));
    panel->setAccessibleName(QStringLiteral("Панель инструментов"));
    panel->setFont(ToolFont(font()));
    for (int i = 0; i < kToolIdCount; ++i) {
        const auto id = static_cast<TToolId>(i);
        FToolItems[i] = IsToolSeparator(id) ? static_cast<QWidget*>(Line(panel, ToolName(id), QFrame::VLine))
                                            : AddToolButton(panel, ToolName(id), kToolHints[i]);
    }
    FLogo = AddToolButton(panel, "LogoSpeedButton", kProgramName);
    FLogo->setIcon(Emblem());
    FLogo->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    FLogo->setFocusPolicy(Qt::NoFocus);
    auto* top = Line(panel, "ToolBevel10", QFrame::HLine);
    auto* bottom = Line(panel, "ToolBevel20", QFrame::HLine);
    panel->OnResize = [this, top, bottom] {
        top->setGeometry(0, 0, FToolPanel->width(), 2);
        bottom->setGeometry(0, FToolPanel->height() - 3, FToolPanel->width(), 3);
        PlaceLogo();
    };
    const std::pair<TToolId, std::function<void()>> clicks[] = {
        {TToolId::sbFileCreate, [this] { sbFileCreateClick(); }},
        {TToolId::sbFileOpen, [this] { sbFileOpenClick(); }},
        {TToolId::sbFileSave, [this] { sbFileSaveClick(); }},
        {TToolId::SpButFind, [this] { SpButFindClick(); }},
        {TToolId::SpButExFind, [this] { SpButExFindClick(); }},
        {TToolId::sbReadKeyDev, [this] { sbReadKeyDevClick(); }},
        {TToolId::sbWriteKeyDev, [this] { sbWriteKeyDevClick(); }},
        {TToolId::sbAddDevGroup, [this] { sbAddDevGroupClick(); }},
        {TToolId::sbDelDevGroup, [this] { sbDelDevGroupClick(); }},
    };
    for (const auto& [id, run] : clicks)
        connect(ToolButton(id), &QToolButton::clicked, this, [this, run] {
            run();
            AfterCommand();
        });
    ApplyToolLayout(StartupToolLayout());
}

QWidget* TMainForm::BuildCardPanel() {
    auto* panel = new QWidget;
    panel->setObjectName(QStringLiteral("CardPanel"));
    panel->setMinimumSize(50, 140);
    auto* column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* title = new QFrame;
    title->setObjectName(QStringLiteral("CardTitlePanel"));
    title->setAccessibleName(QStringLiteral("Заголовок списка карт"));
    title->setFixedHeight(29);
    title->setFrameShape(QFrame::StyledPanel);
    auto* titleRow = new QHBoxLayout(title);
    titleRow->setContentsMargins(4, 0, 0, 0);
    // Whose cards the list shows; Alt+Т goes to the list.
    auto* cardsLabel = new QLabel(QStringLiteral("Кар&ты:"));
    cardsLabel->setObjectName(QStringLiteral("CardsLabel"));
    FCardOwner = new QLabel;
    FCardOwner->setObjectName(QStringLiteral("CardOwner"));
    FCardOwner->setTextFormat(Qt::PlainText);
    FCardOwner->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    FCardOwner->installEventFilter(this);
    titleRow->addWidget(cardsLabel);
    titleRow->addWidget(FCardOwner, 1);
    auto* buttons = new QWidget;
    buttons->setObjectName(QStringLiteral("CardButtonsPanel"));
    buttons->setAccessibleName(QStringLiteral("Кнопки карт"));
    buttons->setFixedWidth(199);
    for (int i = 0; i < kCardButCount; ++i) {
        const TCardButtonDef& def = kCardButtons[i];
        QToolButton* b = AddToolButton(buttons, def.Name, def.Hint);
        b->setToolButtonStyle(Qt::ToolButtonIconOnly);
        b->setGeometry(def.Left, 3, 23, 23);
        FCardButtons[i] = b;
    }
    titleRow->addWidget(buttons);
    column->addWidget(title);
    column->addWidget(BuildFindBar());

    FCardGrid = new TYSGrid;
    FCardGrid->setObjectName(QStringLiteral("CardGrid"));
    FCardGrid->setAccessibleName(QStringLiteral("Карты"));
    FCardGrid->setMinimumHeight(100);
    FCardGrid->SetColCount(3);
    FCardGrid->SetWheelSelected(false);
    FCardGrid->SetHotHint(true);
    FCardGrid->OnGetColumnName = [this](int col, TWinColor& color, QString& data) {
        CardGridGetColumnName(col, color, data);
    };
    FCardGrid->OnGetCellData = [this](int row, int col, TWinColor& color, QString& data) {
        CardGridGetCellData(row, col, color, data);
    };
    FCardGrid->installEventFilter(this);
    cardsLabel->setBuddy(FCardGrid);
    column->addWidget(FCardGrid, 1);

    FGridDevPanel = new QFrame;
    FGridDevPanel->setObjectName(QStringLiteral("GridDevPanel"));
    FGridDevPanel->setAccessibleName(QStringLiteral("Панель приборов"));
    FGridDevPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* gridRow = new QVBoxLayout(FGridDevPanel);
    gridRow->setContentsMargins(1, 1, 1, 1);
    FGridDev = new TACGrid;
    FGridDev->setObjectName(QStringLiteral("GridDev"));
    FGridDev->SetCaption(QStringLiteral("Приборы"));
    FGridDev->setAccessibleName(QStringLiteral("Приборы"));
    FGridDev->SetMaxHeightConstraint(103);
    FGridDev->SetMinCellWidth(50);
    FGridDev->OnCellClick = [this](PColorCell cell, TCellButton) { GridDevCellClick(cell); };
    gridRow->addWidget(FGridDev);
    FGridDevPanel->hide();
    column->addWidget(FGridDevPanel);
    ConnectCardList();
    ConnectDeviceGrid();
    ConnectDeviceLook();
    return panel;
}

QWidget* TMainForm::BuildInspectorPanel() {
    FInspectorPanel = new QWidget;
    FInspectorPanel->setObjectName(QStringLiteral("InspectorPanel"));
    FInspectorPanel->setMinimumWidth(250);
    FInspectorPanel->resize(300, FInspectorPanel->height());
    auto* column = new QVBoxLayout(FInspectorPanel);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* top = new QFrame;
    top->setObjectName(QStringLiteral("Panel4"));
    top->setAccessibleName(QStringLiteral("Заголовок свойств"));
    top->setFixedHeight(29);
    top->setFrameShape(QFrame::StyledPanel);
    auto* topRow = new QHBoxLayout(top);
    topRow->setContentsMargins(4, 0, 0, 0);
    auto* inspectorLabel = new QLabel(QStringLiteral("С&войства"));  // Alt+В goes to the inspector
    inspectorLabel->setObjectName(QStringLiteral("InspectorLabel"));
    topRow->addWidget(inspectorLabel);
    topRow->addStretch(1);
    column->addWidget(top);
    FInspector = new TAInspector;
    inspectorLabel->setBuddy(FInspector);
    FInspector->setObjectName(QStringLiteral("AInspector1"));
    FInspector->setAccessibleName(QStringLiteral("Свойства"));
    FInspector->OnChangeValue = [this](const QString& key, const QString& name, const QString& value,
                                       bool& canExit) { AInspector1ChangeValue(key, name, value, canExit); };
    column->addWidget(FInspector, 1);
    FInspectorPanel->installEventFilter(this);
    return FInspectorPanel;
}

void TMainForm::BuildMenus() {
    auto add = [this](QMenu* menu, const char* name, const char* caption, std::function<void()> run,
                      QKeySequence key = {}) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) action->setShortcut(key);
        connect(action, &QAction::triggered, this, std::move(run));
        return action;
    };
    auto separator = [](QMenu* menu, const char* name) { menu->addSeparator()->setObjectName(QString::fromLatin1(name)); };

    QMenu* file = menuBar()->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("N1"));
    add(file, "N4", "&Открыть", [this] { sbFileOpenClick(); }, QKeySequence::Open);
    add(file, "N2", "&Сохранить", [this] { sbFileSaveClick(); }, QKeySequence::Save);
    add(file, "N10", "Сохранить &как", [this] { N10Click(); }, QKeySequence(QStringLiteral("Ctrl+Shift+S")));
    separator(file, "NCsv");
    FActions.ExportCardsCsv = add(file, "ExportCardsCsv", XlsxSupported() ? "&Экспорт карт в CSV или XLSX…" : "&Экспорт карт в CSV…",
        [this] { ExportCardsCsvClick(); });
    FActions.ImportCardsCsv = add(file, "ImportCardsCsv", XlsxSupported() ? "&Импорт карт из CSV или XLSX…" : "&Импорт карт из CSV…",
        [this] { ImportCardsCsvClick(); });
    separator(file, "N17");
    add(file, "N3", "В&ыход", [this] { close(); }, QKeySequence::Quit);
    BuildEditMenu();

    BuildCardMenu();

    FMenuDev = menuBar()->addMenu(QStringLiteral("&Прибор"));
    FMenuDev->setObjectName(QStringLiteral("MenuDev"));
    FActions.ResetDev = add(FMenuDev, "ResetDev", "&Сбросить ", [this] { ResetDevClick(); });
    FActions.ChDevStandPas = add(FMenuDev, "ChDevStandPas", "Заменить &пароль на общий", [this] { ChDevStandPasClick(); });
    FActions.OpenWithPas = add(FMenuDev, "OpenWithPas", "&Открыть с паролем", [this] { OpenWithPasClick(); });
    FActions.ReadDevKeys = add(FMenuDev, "ReadDevKeys", "С&читать карты", [this] { ReadDevKeysClick(); });
    FActions.WriteDevKeys = add(FMenuDev, "WriteDevKeys", "&Записать карты", [this] { WriteDevKeysClick(); });
    FActions.CompareDevKeys = add(FMenuDev, "CompareDevKeys", "Сра&внить с прибором", [this] { CompareDevKeysClick(); });
    FActions.SetDevParams = add(FMenuDev, "SetDevParams", "Записать п&араметры", [this] { SetDevParamsClick(); });
    FActions.SetDevAddr = add(FMenuDev, "SetDevAddr", "Заменить а&дрес", [this] { SetDevAddrClick(); });
    // Every device command ends with the window brought up to date.
    for (QAction* a : FMenuDev->actions()) connect(a, &QAction::triggered, this, [this] { AfterCommand(); });

    QMenu* settings = menuBar()->addMenu(QStringLiteral("&Настройки"));
    settings->setObjectName(QStringLiteral("SetProgram"));
    add(settings, "SetProgrWin", "&Настройки программы", [this] { SetProgrWinClick(); });
    separator(settings, "N9");
    FCaptions = add(settings, "N8", "&Подписи к кнопкам", [this] { N8Click(); });
    FCaptions->setCheckable(true);
    QAction* exchange = FExchangeDock->toggleViewAction();
    exchange->setObjectName(QStringLiteral("ExchangeLogView"));
    exchange->setText(QStringLiteral("&Журнал обмена"));
    settings->addAction(exchange);
    connect(exchange, &QAction::triggered, this,
            [](bool on) { QSettings().setValue(QStringLiteral("exchangeLog/visible"), on); });
    FChangeJournal->AddMenuItem(settings);

    if (FSimulator) FSimulator->BuildMenu(menuBar());

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Справка"));
    help->setObjectName(QStringLiteral("N6"));
    add(help, "ContentHelp", "&Содержание", [this] { ContentHelpClick(); }, QKeySequence::HelpContents);
    separator(help, "N11");
    add(help, "AboutPrg", "&О программе", [this] { AboutPrgClick(); });
    BuildToolbarItems(file, settings->menuAction());
}

void TMainForm::BuildStatusBar() {
    FStatusView = new QLabel;
    FStatusView->setObjectName(QStringLiteral("StatusPanel0"));
    FStatusView->setAccessibleDescription(QStringLiteral("Список карт"));
    FStatusView->setFixedWidth(FitText(FStatusView, kUserViewText, 120));
    FStatusInfo = new TStatusText("StatusPanel1", QStringLiteral("Сообщение"), 2);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    statusBar()->addWidget(FStatusView);
    statusBar()->addWidget(FStatusInfo, 1);
    FStatusPort = new TStatusText("StatusPort", QStringLiteral("Порт"));
    FStatusPort->hide();
    statusBar()->addPermanentWidget(FStatusPort);
    BuildCardCounts();
}

void TMainForm::SetPortClosed(bool closed) {
    FPortClosed = closed;
    FEngine->SetModelOnly(closed);
    FStatusPort->setText(QStringLiteral("COM порт %1 не открыт: изменения только в программе").arg(FSettings.NComPort));
    FStatusPort->setVisible(closed);
    UpdateControls();
}

// --- toolbar layouts ----------------------------------------------------------

void TMainForm::ApplyToolLayout(const TToolLayout& layout) {
    FToolPanel->setFixedHeight(layout.PanelHeight);
    for (const TToolPlace& p : layout.Places) {
        QWidget* w = FToolItems[static_cast<int>(p.Id)];
        w->setGeometry(p.Left, p.Top, p.Width, p.Height);
        if (auto* b = qobject_cast<QToolButton*>(w)) {
            b->setText(QString::fromStdString(p.Caption));
            b->setToolButtonStyle(p.Caption.empty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
        }
    }
    FLogo->setText(layout.LogoCaption ? QString::fromUtf8(kProgramName) : QString());
    FLogo->setToolButtonStyle(layout.LogoCaption ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    FLogo->setIconSize(QSize(18, 18));
    FLogo->resize(93, layout.LogoHeight);
    PlaceLogo();
}

QToolButton* TMainForm::ToolButton(TToolId id) const {
    return IsToolSeparator(id) ? nullptr : static_cast<QToolButton*>(FToolItems[static_cast<int>(id)]);
}

void TMainForm::PlaceLogo() { FLogo->move(FToolPanel->width() - FLogo->width(), 3); }

void TMainForm::N8Click() {
    // The action has flipped its check mark already.
    const int firstLeft = ToolButton(TToolId::sbFileCreate)->x();
    ApplyToolLayout(ToolLayout(FCaptions->isChecked(), firstLeft));
}

void TMainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    PlaceLogo();
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    // Keys typed in the card list act on its cards, however the focus came there.
    if (event->type() == QEvent::FocusIn && watched == FCardGrid) TakeCardFocus();
    if (event->type() == QEvent::Resize && watched == FCardGrid)
        // Room for the vertical scroll bar, so a long list does not bring a horizontal one.
        FCardGrid->SetColWidth(2, std::max(40, FCardGrid->width() - (FCardGrid->GetColWidth(0) + FCardGrid->GetColWidth(1)) -
                                                   6 - FCardGrid->verticalScrollBar()->sizeHint().width()));
    if (event->type() == QEvent::Resize && watched == FCardOwner) FitCardOwner();
    if (event->type() == QEvent::Resize && watched == FInspectorPanel)
        FInspector->SetColWidth(1, std::max(40, FInspectorPanel->width() - FInspector->GetColWidth(0) - 6));
    return QMainWindow::eventFilter(watched, event);
}

// --- enabled states -------------------------------------------------------------

// An operation may have found, lost, opened or refilled devices.
void TMainForm::AfterCommand() {
    if (ApplyFilter()) FRowBefore = FCardGrid->Row();
    // A read, a search or a write may have replaced the lists the undo history knows.
    FUndo->DropIfChanged();
    RepaintCardGrid();
    UpdateGridDev();
    UpdateControls();
}

void TMainForm::UpdateControls() {
    // Without the port the selected device's lists are edited as an opened
    // device's are, and nothing that needs the line is offered.
    FControls = UpdateControlsRule(FControls, FGroup, FEngine->CurConf(), FMasterView, FSettings, FPortClosed);
    if (FPortClosed) FControls = WithoutLine(FControls);
    ApplyControls(FControls);
    UpdateEditActions();
    ShowCardCounts();
    ShowCardOwner();
    FocusFirstDevices();
    ScheduleTitle();
}

void TMainForm::ApplyControls(const TControlState& s) {
    FMenuDev->menuAction()->setEnabled(s.MenuDev);
    const std::pair<QAction*, bool> actions[] = {
        {FActions.ResetDev, s.ResetDev},
        {FActions.ChDevStandPas, s.ChDevStandPas},
        {FActions.OpenWithPas, s.OpenWithPas},
        {FActions.ReadDevKeys, s.ReadDevKeys},
        {FActions.WriteDevKeys, s.WriteDevKeys},
        {FActions.SetDevParams, s.SetDevParams},
        {FActions.SetDevAddr, s.SetDevAddr},
        {FActions.CompareDevKeys, s.ReadDevKeys},
        {FActions.ExportCardsCsv, FGroup.Selected() != NoDevice},
        {FActions.ImportCardsCsv, FGroup.Selected() != NoDevice},
    };
    for (const auto& [action, on] : actions) action->setEnabled(on);
    const std::pair<TCardBut, bool> cards[] = {
        {TCardBut::ChView, s.ChView},         {TCardBut::ChStatusCard, s.ChStatusCard},
        {TCardBut::AddCardBut, s.AddCardBut}, {TCardBut::EditBut, s.EditBut},
        {TCardBut::DelCardBut, s.DelCardBut}, {TCardBut::InverseSel, s.InverseSel},
        {TCardBut::ReadCodeBut, s.ReadCodeBut},
    };
    for (const auto& [b, on] : cards) CardButton(b)->setEnabled(on);
    const std::pair<TToolId, bool> tools[] = {
        {TToolId::sbReadKeyDev, s.sbReadKeyDev},
        {TToolId::sbWriteKeyDev, s.sbWriteKeyDev},
        {TToolId::sbAddDevGroup, s.sbAddDevGroup},
        {TToolId::sbDelDevGroup, s.sbDelDevGroup},
    };
    for (const auto& [id, on] : tools) ToolButton(id)->setEnabled(on);
    FGridDevPanel->setVisible(s.GridDevVisible);
    if (s.ViewText) FStatusView->setText(QString::fromStdString(*s.ViewText));
    MirrorButtons();
}

}  // namespace pelko
