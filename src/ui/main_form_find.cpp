// The "Правка" menu: undo and redo of card edits that stay in the program,
// the find field over the card list, and the card counts in the status bar.
// While the find field holds text the card list's rows are the matching
// cards only: every row number the grid gives is turned into a list index
// here, so marks and edits act on the rows shown.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>

#include "controls/ys_grid.h"
#include "ui/card_counts.h"
#include "ui/card_find_bar.h"
#include "ui/card_undo.h"
#include "ui/main_form.h"
#include "ui/status_text.h"

namespace pelko {
namespace {

constexpr char kUndoCaption[] = "&Отменить";
constexpr char kRedoCaption[] = "&Повторить";
constexpr char kHistoryDropped[] = "Правку не отменить: списки карт с тех пор изменились";

QString WithWhat(const char* caption, const QString& what) {
    return what.isEmpty() ? QString::fromUtf8(caption) : QString::fromUtf8(caption) + QLatin1Char(' ') + what;
}

}  // namespace

void TMainForm::BuildEditMenu() {
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Пр&авка"));
    edit->setObjectName(QStringLiteral("MenuEdit"));
    const struct {
        const char* Name;
        const char* Caption;
        QKeySequence Key;
        void (TMainForm::*Run)();
        QAction** Keep;
    } items[] = {
        {"EditUndo", kUndoCaption, QKeySequence(QStringLiteral("Ctrl+Z")), &TMainForm::UndoClick, &FActions.EditUndo},
        {"EditRedo", kRedoCaption, QKeySequence(QStringLiteral("Ctrl+Shift+Z")), &TMainForm::RedoClick,
         &FActions.EditRedo},
        {"EditFind", "&Найти", QKeySequence(QStringLiteral("Ctrl+F")), &TMainForm::FindClick, nullptr},
    };
    for (const auto& item : items) {
        if (item.Run == &TMainForm::FindClick) edit->addSeparator();
        QAction* action = edit->addAction(QString::fromUtf8(item.Caption));
        action->setObjectName(QString::fromLatin1(item.Name));
        action->setShortcut(item.Key);
        connect(action, &QAction::triggered, this, [this, run = item.Run] { (this->*run)(); });
        if (item.Keep != nullptr) *item.Keep = action;
    }
    FUndo = new TCardUndo(FGroup, this);
    FUndo->OnApplied = [this](const TCardPlace& place) { UndoApplied(place); };
    QUndoStack* stack = &FUndo->Stack();
    connect(stack, &QUndoStack::indexChanged, this, [this] { UpdateEditActions(); });
    connect(stack, &QUndoStack::cleanChanged, this, [this] { UpdateEditActions(); });
    UpdateEditActions();
}

QWidget* TMainForm::BuildFindBar() {
    FFindBar = new TCardFindBar;
    FFindBar->OnTextChanged = [this](const QString& text) { FindTextChanged(text); };
    FFindBar->OnClosed = [this] { FCardGrid->setFocus(Qt::OtherFocusReason); };
    return FFindBar;
}

void TMainForm::BuildCardCounts() {
    FStatusCounts = new TStatusText("StatusCounts", QStringLiteral("Число карт"));
    statusBar()->addPermanentWidget(FStatusCounts);
}

// --- find ---------------------------------------------------------------------

void TMainForm::FindClick() { FFindBar->Open(); }

void TMainForm::FindTextChanged(const QString& text) {
    const int index = CardRow();  // the card under the cursor, by the rows shown so far
    // Row numbers kept for Shift marking name other cards now.
    FShiftAnchor = NoCard;
    FLastMarkRow = NoCard;
    FFilter.SetText(text);
    ApplyFilter();
    int row = FFilter.RowOf(index, ShownCount());
    if (row < 0 && FCardGrid->RowCount() > 0) row = 0;
    if (row >= 0) FCardGrid->GoToRow(row);
    FRowBefore = FCardGrid->Row();
    // The row number may be the same while another card is on it.
    UpdateInspCard();
    RepaintCardGrid();
}

bool TMainForm::ApplyFilter() {
    FFilter.Apply(Cur(), Master());
    DropHiddenMarks();
    const int rows = FFilter.Count(ShownCount());
    FFindBar->ShowFound(FFilter.Active() ? rows : -1);
    ShowCardCounts();
    if (FCardGrid->RowCount() == rows) return false;
    FCardGrid->SetRowCount(rows);
    return true;
}

void TMainForm::RefreshShownRows() {
    ApplyFilter();
    FRowBefore = FCardGrid->Row();
}

// A mark on a card the list does not show would be deleted or copied with
// the shown ones unseen.
void TMainForm::DropHiddenMarks() {
    if (!FFilter.Active()) return;
    TConfPelko& conf = Cur();
    const int count = ShownCount();
    for (int i = 0; i < count; ++i) {
        if (FFilter.RowOf(i, count) >= 0) continue;
        const auto index = static_cast<std::uint16_t>(i);
        conf.UnselectCard(Master(), index);
        conf.ClearCopyMark(Master(), index);
    }
}

int TMainForm::CardIndexOf(int row) const {
    return FFilter.IndexOf(row, FEngine->CurConf().CardCount(FMasterView));
}

void TMainForm::ShowCardCounts() {
    if (FStatusCounts == nullptr) return;
    if (FGroup.Selected() == NoDevice) return FStatusCounts->clear();
    FStatusCounts->setText(QString::fromStdString(CardCountsText(Cur(), Master())));
}

// --- undo ------------------------------------------------------------------------

bool TMainForm::EditsStayInModel() const { return !FSettings.AutoWriteKey || FPortClosed; }

void TMainForm::RecordEdit(const char* what, const std::function<void()>& edit) {
    const DevIndex sel = FGroup.Selected();
    if (!EditsStayInModel() || sel == NoDevice) return edit();
    const std::uint8_t adr = FGroup.GetDevice(sel, nullptr)->Config[kAdrByte];
    FUndo->Record(QString::fromUtf8(what), adr, Master(), CardRow(), edit, [this] { return CardRow(); });
    UpdateEditActions();
}

void TMainForm::RecordCopy(DevIndex target, const std::function<void()>& copy) {
    const TConfPelko* dev = FGroup.GetDevice(target, nullptr);
    if (!EditsStayInModel() || dev == nullptr) return copy();
    FUndo->Record(QStringLiteral("копирование карт"), dev->Config[kAdrByte], Master(), -1, copy, nullptr);
    UpdateEditActions();
}

void TMainForm::UndoClick() {
    if (!EditsStayInModel()) return;
    const QString what = FUndo->Stack().undoText();
    if (FUndo->DropIfChanged()) SayDone(QString::fromUtf8(kHistoryDropped));
    else if (FUndo->Undo()) SayDone(QStringLiteral("Отменено: ") + what);
    UpdateEditActions();
}

void TMainForm::RedoClick() {
    if (!EditsStayInModel()) return;
    const QString what = FUndo->Stack().redoText();
    if (FUndo->DropIfChanged()) SayDone(QString::fromUtf8(kHistoryDropped));
    else if (FUndo->Redo()) SayDone(QStringLiteral("Повторено: ") + what);
    UpdateEditActions();
}

void TMainForm::UndoApplied(const TCardPlace& place) {
    if (FGroup.IndexOfAdr(place.Adr) != FGroup.Selected()) SelectDevice(place.Adr);
    if (Master() != place.Master) ChViewClick();
    SetCardFocus(true);
    FShiftAnchor = NoCard;
    FLastMarkRow = NoCard;
    // The card the edit touched stays in sight whatever the find field holds.
    TCard card;
    if (place.Index >= 0 && place.Index < ShownCount()) {
        Cur().GetCard(Master(), static_cast<std::uint16_t>(place.Index), card);
        FFilter.Keep(card.Pos);
    }
    RefreshShownRows();
    SetCardRow(place.Index);
    FRowBefore = FCardGrid->Row();
    UpdateInspCard();
    RepaintCardGrid();
    UpdateControls();
}

// The history stays while edits are written into the controllers; it is
// offered again once they stay in the program.
void TMainForm::UpdateEditActions() {
    if (FUndo == nullptr) return;
    const QUndoStack& stack = FUndo->Stack();
    const bool on = EditsStayInModel();
    QAction* undo = FActions.EditUndo;
    QAction* redo = FActions.EditRedo;
    undo->setEnabled(on && stack.canUndo());
    redo->setEnabled(on && stack.canRedo());
    undo->setText(WithWhat(kUndoCaption, stack.canUndo() ? stack.undoText() : QString()));
    redo->setText(WithWhat(kRedoCaption, stack.canRedo() ? stack.redoText() : QString()));
}

}  // namespace pelko
