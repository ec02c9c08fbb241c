#pragma once
// TMainForm: the program's one window. It owns the session, the device group,
// the engine and the dialogs, shows the card list, the device grid and the
// inspector, and is the engine's observer: it turns the engine's progress,
// notices and changes into its widgets, runs the engine's clock while a
// command waits on it, and asks every question before a command starts.
#include <QDockWidget>
#include <QFrame>
#include <QMainWindow>
#include <QPointer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "config/program_settings.h"
#include "controls/win_color.h"
#include "engine/engine.h"
#include "engine/device_params.h"
#include "engine/engine_file_host.h"
#include "link/pelko_session.h"
#include "link/shared_address.h"
#include "model/color_cell.h"
#include "model/group_dev.h"
#include "ui/card_device_markup.h"
#include "ui/card_filter.h"
#include "ui/control_state.h"
#include "ui/port_choice.h"
#include "ui/progress_text.h"
#include "ui/start_options.h"
#include "ui/tool_layout.h"

class QAction;
class QDropEvent;
class QKeyEvent;
class QMouseEvent;
class QLabel;
class QMenu;
class QSplitter;
class QTimer;
class QUrl;
class QToolButton;

namespace pelko {

class TAInspector;
class TACGrid;
class TYSGrid;
class TProgressForm;
class TSettingsForm;
class TSequrityForm;
class TAddrForm;
class TSetProgramForm;
class TChangeJournal;
class TFileDialogs;
class TExchangePanel;
class TSimulatorMenu;
class TCardFindBar;
class TCardUndo;
struct TCardPlace;
class TCopyTargetForm;

// The card list's buttons, in the order they stand.
enum class TCardBut { ChView, ChStatusCard, AddCardBut, EditBut, DelCardBut, InverseSel, ReadCodeBut };
inline constexpr int kCardButCount = 7;

// The menu items the window enables or retitles after building them; the
// others only run their command.
struct TMainActions {
    QAction* ExportCardsCsv = nullptr;
    QAction* ImportCardsCsv = nullptr;
    QAction* EditUndo = nullptr;
    QAction* EditRedo = nullptr;
    QAction* CopyToDevice = nullptr;
    QAction* ResetDev = nullptr;
    QAction* ChDevStandPas = nullptr;
    QAction* OpenWithPas = nullptr;
    QAction* ReadDevKeys = nullptr;
    QAction* WriteDevKeys = nullptr;
    QAction* CompareDevKeys = nullptr;
    QAction* SetDevParams = nullptr;
    QAction* SetDevAddr = nullptr;
};

class TMainForm : public QMainWindow, public EngineObserver {
    Q_OBJECT

public:
    explicit TMainForm(TStartOptions options, QWidget* parent = nullptr);
    ~TMainForm() override;

    // What tests and the simulator menu reach.
    TEngine& Engine() { return *FEngine; }
    TGroupDev& DevGroup() { return FGroup; }
    ProgramSettings& Settings() { return FSettings; }
    TPelkoSession& Session() { return *FSession; }
    TPortChoice& Ports() { return FPorts; }
    const std::string& ConfigFileName() const { return FConfigFileName; }
    const TControlState& Controls() const { return FControls; }
    TYSGrid* CardGrid() const { return FCardGrid; }
    TACGrid* GridDev() const { return FGridDev; }
    TAInspector* Inspector() const { return FInspector; }
    TProgressForm* ProgressForm() const { return FProgress; }
    TSetProgramForm* SetProgramForm() const { return FSetProgram; }
    QWidget* ToolPanel() const { return FToolPanel; }
    QWidget* GridDevPanel() const { return FGridDevPanel; }
    TSimulatorMenu* Simulator() const { return FSimulator; }
    // Replaces the file dialogs (tests answer them without a window).
    void SetFileDialogs(std::unique_ptr<TFileDialogs> dialogs);
    // Hands a page to the desktop; false when nothing there can show it (tests replace it).
    std::function<bool(const QUrl&)> UrlOpener;
    // Called with every box shown instead of the box (tests); returns the answer to a question.
    std::function<bool(const std::string& caption, const std::string& text, TMsgIcon icon)> BoxHook;
    // Called when a command has gone on the line (tests wait there for its
    // end, as a user waits for the progress window to close).
    std::function<void()> CommandStartedHook;
    // Tests name the CSV or XLSX file here (empty: cancelled); unset, a file dialog asks.
    std::function<QString(bool save, const QString& suggested)> CsvFileName;

    // Commands, as the menus and buttons run them.
    void sbFileCreateClick();
    void sbFileOpenClick();
    void sbFileSaveClick();
    void N10Click();
    void ContentHelpClick();
    void AboutPrgClick();
    void SetProgrWinClick();
    void N8Click();
    // Card buttons.
    void AddCardButClick();
    void DelCardButClick();
    void ChStatusCardClick();
    void ChViewClick();
    void InverseSelClick();
    void EditButClick();
    void ReadCodeButClick();
    // The "Правка" menu: undo and redo of edits kept in the program, find in the card list.
    void UndoClick();
    void RedoClick();
    void FindClick();
    // The toolbar's line commands and the device menu.
    void SpButFindClick();
    void SpButExFindClick();
    void SearchClick(bool allSpeeds);
    void Searched();
    void TellSharedAddresses();
    void sbReadKeyDevClick();
    void sbWriteKeyDevClick();
    void ResetDevClick();
    void ChDevStandPasClick();
    void OpenWithPasClick();
    void ReadDevKeysClick();
    void WriteDevKeysClick();
    void SetDevParamsClick();
    void SetDevAddrClick();
    // Cards of the card list dropped on the device grid at x, y (its client coordinates).
    void GridDevDragDrop(int x, int y);
    // "Копировать в прибор…": the current or marked cards into a controller chosen from the group.
    void CopyToDeviceClick();
    // Selects the device at this address as a click on its cell does.
    void SelectDevice(std::uint8_t adr);
    // Opens a local page (help, the about box's link), or says where it is
    // when no program can show it.
    void OpenPage(const QUrl& page);
    bool PortClosed() const { return FPortClosed; }
    // Opens a file as Open does, without the dialog.
    void OpenConfigFile(const QString& path);
    // Save would write what the file last opened or saved does not hold.
    bool Unsaved();

    // The engine's observer.
    void OnProgress(const TProgress& progress) override;
    void OnNotice(const TNotice& notice) override;
    void OnChanged(const TChange& change) override;
    void OnStarted(TOperState state) override;
    void OnDone(const TCommandResult& result) override;
    // Boxes and the parameters dialog.
    void ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon);
    bool AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon);
    bool EditDeviceParams(TDeviceParams& params, const std::string& caption, bool closeEnabled);
    // The password and address dialogs of the device menu.
    // device: the controller they are for, as DeviceTitle names it.
    std::optional<std::string> AskPassword(const std::string& device = {});
    std::optional<std::uint8_t> AskAddress(const std::vector<std::uint8_t>& choices, const std::string& device = {});
    // The copy's target among (device index, text) choices.
    std::optional<int> AskCopyTarget(const std::vector<std::pair<int, QString>>& choices);
    void UpdateControls();
    void UpdateGridDev();
    void UpdateInspDev();
    void UpdateInspCard();
    void RepaintMain();
    void ShowDeviceGrid();
    void InspectorEditParam(int row);
    int CardRow() const;
    void SetCardRow(int row);
    void SetCardRowCount(int count);
    void RepaintCardGrid();
    // The list shown (master or user cards) and whether a card, not the
    // device, is the subject; the engine's card edits work on these.
    bool Master() const { return FMasterView; }
    bool CardFocus() const { return FCardFocus; }
    void SetMasterView(bool master);
    void SetCardFocus(bool focus);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Asks whether to save unsaved changes first.
    void closeEvent(QCloseEvent* event) override;
    // The user column of the card list and the value column of the inspector
    // take whatever width is left.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Composition.
    void BuildToolPanel();
    QToolButton* AddToolButton(QWidget* parent, const char* name, const char* hint);
    QToolButton* ToolButton(TToolId id) const;
    QToolButton* CardButton(TCardBut b) const { return FCardButtons[static_cast<int>(b)]; }
    QWidget* BuildCardPanel();
    QWidget* BuildInspectorPanel();
    void BuildMenus();
    // Keyboard (main_form_keyboard.cpp): menu items that run a button, the
    // card menu, items for the toolbar's commands and F10.
    QAction* MirrorItem(QMenu* menu, const char* name, const QString& caption, QToolButton* button);
    void MirrorButtons();
    void BuildCardMenu();
    void BuildToolbarItems(QMenu* file, QAction* before);
    bool CardListMarkKey(QKeyEvent* e);
    void ConnectDeviceLook();
    bool CanCopyToDevice();
    void BuildStatusBar();
    // Direct keys for the panes: F6 and Shift+F6 go round card list, device
    // grid and inspector; Alt+Б to the device grid (the others have labels).
    void BuildPaneKeys();
    void StepPane(int step);
    // The card list's heading and accessible name say whose cards it shows.
    void ShowCardOwner();
    void FitCardOwner();
    // Once the first devices are found or opened, the keyboard goes to them.
    void FocusFirstDevices();
    void ApplyToolLayout(const TToolLayout& layout);
    void PlaceLogo();
    void ApplyControls(const TControlState& state);
    void AfterCommand();
    void SetDefaults();
    // The port could not be opened: card lists are edited in the program
    // only and nothing that needs the line may start, until it opens.
    void SetPortClosed(bool closed);
    // Card edits go to the controller (AutoWriteKey, with the port open).
    void PlaceOnScreen();
    // The window's place and size and the splitter, for the next run.
    void RememberPlace();
    void CreateSession();

    // Session events reach the GUI thread as queued calls.
    void DispatchSession();
    // Nested dialogs and pauses hold answers and timer ticks back until they end.
    struct THold;
    // A question with Да / Нет / Отмена; the default button is Да unless noByDefault.
    // Tests' BoxHook answers it Да (true) or Нет (false).
    enum class TAnswer3 { Yes, No, Cancel };
    TAnswer3 AskYesNoCancel(const std::string& caption, const std::string& text, bool noByDefault);
    // A warning question whose default button is Нет; true for Да.
    bool AskNoByDefault(const std::string& caption, const std::string& text);
    // The opened devices (all, or the selected one) have just had their cards read.
    void RememberRead(bool all);
    std::vector<std::string> OpenedNames() const;
    // Says in the status bar how far the card transfer just run got.
    void TransferStatus();
    // Card lists to and from CSV, the comparison with a controller, and
    // what a bulk write's read-back found (main_form_card_csv.cpp, main_form_compare.cpp).
    QString AskCsvName(bool save, const QString& suggested);
    bool RefuseXlsx(const QString& name);
    void ExportCardsCsvClick();
    void ImportCardsCsvClick();
    void CompareDevKeysClick();
    TGroupAnswers GroupAnswers(const TSettingsDialogValues& values);
    // "Записывать все ячейки": a card write sends every cell, not only those that differ.
    bool WriteAllCells() const;
    void Compared(DevIndex sel, const std::string& name, const TCardCheck& check);
    void WriteCheckStatus(const std::vector<TCardCheck>& checks);
    // Runs a command that erases cards: withoutBackup false first; a backup
    // that cannot be made asks the user, and on Да the command runs again
    // without one. then hears the last run's result.
    void RunErasing(const std::function<void(bool withoutBackup, TEngine::TDone)>& command, TEngine::TDone then);

    // Card list and device grid.
    void CardGridGetColumnName(int col, TWinColor& color, QString& data);
    void CardGridGetCellData(int row, int col, TWinColor& color, QString& data);
    void GridDevCellClick(const TColorCell* cell);
    void sbAddDevGroupClick();
    void sbDelDevGroupClick();
    void AInspector1ChangeValue(const QString& key, const QString& id, const QString& value, bool& canExit);
    void DevicesRemoved();
    void WithAddress(TColorCell& cell) const;
    void ConnectDeviceGrid();
    bool OwnCards(const QDropEvent* e) const;

    // Card list (the shown list of CurConf).
    TConfPelko& Cur();
    int ShownCount();
    void ConnectCardList();
    void MarkRow(int row, bool on);
    bool RowMarked(int row);
    void CardGridChangeRow();
    // The card list's current card is what the inspector shows and the card
    // commands act on (a device click had given both to the device).
    void TakeCardFocus();
    void CardGridKeyDown(QKeyEvent* e);
    void CardGridMouseDown(QMouseEvent* e);
    void CardGridMouseMove(QMouseEvent* e);
    void CardChangeValue(const QString& key, TInspField field, const QString& value);
    void CardCellChanged(int i, const TCard& card, int cell);
    void CardCodeChanged(int i, const QString& value);
    void DeleteCards();
    // The status bar's one line on what the command just done did.
    void SayDone(const QString& text);

    // Find, undo and the card counts (main_form_find.cpp).
    void BuildEditMenu();
    QWidget* BuildFindBar();
    void BuildCardCounts();
    void FindTextChanged(const QString& text);
    // Takes the find field's matches as the rows shown; true when their number changed.
    bool ApplyFilter();
    void RefreshShownRows();
    void DropHiddenMarks();
    // The list index of a card list row, -1 for none.
    int CardIndexOf(int row) const;
    void ShowCardCounts();
    bool EditsStayInModel() const;
    // Runs a card edit of the shown list, or a copy into another device, so that it can be undone.
    void RecordEdit(const char* what, const std::function<void()>& edit);
    void RecordCopy(DevIndex target, const std::function<void()>& copy);
    // The current or marked cards into another device, as a drop on its cell; says what was copied.
    void CopyCards(DevIndex target);
    // A connected device whose cards were not read in this session: its list may not be its own.
    bool CardsUnread(DevIndex index) const;
    void UndoApplied(const TCardPlace& place);
    void UpdateEditActions();

    // Files.
    bool SaveConfig();
    bool WriteConfig(const QString& path);
    // True when nothing unsaved is lost: none, saved now, or the user lets it go.
    bool MayDiscardChanges();
    // What the window holds now is what the file holds.
    void TakeSaved();
    void SavedStatus();
    // The title names the file and marks unsaved changes, once the current command is done.
    void ScheduleTitle();
    void UpdateTitle();
    void ShowTitle(bool modified);
    QString StartFolder() const;
    void RememberFolder(const QString& file);
    void PageNotShown(const QUrl& page);
    QString HelpFile() const;

    TStartOptions FOptions;
    ProgramSettings FSettings;
    TGroupDev FGroup;
    TPortChoice FPorts;
    std::unique_ptr<TPelkoSession> FSession;
    std::shared_ptr<ExchangeLog> FExchangeLog;  // read by the "Журнал обмена" panel
    std::unique_ptr<TChangeJournal> FChangeJournal;  // before the engine, which records into it
    std::unique_ptr<TEngine> FEngine;
    // The configuration file's boxes are the window's.
    class TFileBoxes : public ConfigFileHost {
    public:
        explicit TFileBoxes(TMainForm& form) : FForm(form) {}
        void ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) override {
            FForm.ShowMessage(caption, text, icon);
        }
        bool AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) override {
            return FForm.AskYesNo(caption, text, icon);
        }
        void GroupDiscarded() override {}
        void GroupMarkedForSave() override {}
        void RestartSessionAtSpeed(std::int32_t) override {}
        void RestartSessionWithPortSettings(const ProgramSettings&) override {}
        void SetDevPresent(std::uint8_t) override {}

    private:
        TMainForm& FForm;
    };
    TFileBoxes FBoxes{*this};
    std::unique_ptr<EngineFileHost> FFileHost;
    std::unique_ptr<TFileDialogs> FFileDialogs;
    std::string FConfigFileName;
    std::uint64_t FSavedPrint = 0;
    std::set<int> FCardsRead;  // addresses whose cards were read in this session
    bool FTitlePending = false;
    TControlState FControls;
    TColorCellList FCells;

    // Widgets.
    QWidget* FToolPanel = nullptr;
    QDockWidget* FExchangeDock = nullptr;
    TExchangePanel* FExchangePanel = nullptr;
    SharedAddressWatch FSharedAddresses;  // fed from the exchange log; told after a search
    std::array<QWidget*, kToolIdCount> FToolItems{};  // by TToolId
    QToolButton* FLogo = nullptr;
    std::array<QToolButton*, kCardButCount> FCardButtons{};  // by TCardBut
    TYSGrid* FCardGrid = nullptr;
    QFrame* FGridDevPanel = nullptr;
    TACGrid* FGridDev = nullptr;
    QSplitter* FSplitter = nullptr;
    QWidget* FInspectorPanel = nullptr;
    TAInspector* FInspector = nullptr;
    QLabel* FCardOwner = nullptr;  // the card list's heading
    QString FCardOwnerText;
    bool FHadDevices = false;
    QLabel* FStatusView = nullptr;
    QLabel* FStatusInfo = nullptr;
    QLabel* FStatusPort = nullptr;  // says the port is not open
    QLabel* FStatusCounts = nullptr;  // the shown device's cards and marks
    TCardFindBar* FFindBar = nullptr;
    TCardFilter FFilter;
    TCardUndo* FUndo = nullptr;
    bool FPortClosed = false;
    TMainActions FActions;
    QMenu* FMenuDev = nullptr;
    QAction* FCaptions = nullptr;  // "Подписи к кнопкам"
    std::vector<std::pair<QAction*, QToolButton*>> FMirrors;  // menu items that run a button

    // Dialogs, made once.
    TProgressForm* FProgress = nullptr;
    TSettingsForm* FDevSettings = nullptr;
    TSequrityForm* FSequrity = nullptr;
    TAddrForm* FAddr = nullptr;
    TCopyTargetForm* FCopyTarget = nullptr;
    TSetProgramForm* FSetProgram = nullptr;
    TSimulatorMenu* FSimulator = nullptr;

    // The engine's clock: ticks while a command waits on it.
    QTimer* FEngineClock = nullptr;
    int FHold = 0;
    bool FDispatchHeld = false;
    bool FProgressCancelled = false;
    bool FMasterView = false;
    bool FCardFocus = false;
    // Notices of the running command, shown once it ends.
    std::vector<TNotice> FHeldNotices;
    TProgressText FProgressText;
    std::vector<std::string> FProgressDevices;  // controllers the running group command goes through  // the password dialog was accepted  // the user cancelled an operation since this was cleared
    int FShiftAnchor = NoCard;
    int FLastMarkRow = 0;
    int FRowBefore = -1;  // the card list's row before the change being handled
    QPoint FDragStart;
    // The keys held with the last click or key in the card list, and the row it left.
    Qt::KeyboardModifiers FInputModifiers;
    int FInputRow = -1;
};

}  // namespace pelko
