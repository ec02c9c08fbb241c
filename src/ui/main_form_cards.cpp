// The card list: what it shows, row marking with Ctrl and Shift, the card
// inspector and the card buttons. With AutoWriteKey off only the model
// changes; on, the engine writes the change and the model follows the answers.
#include <cstdlib>
#include <utility>

#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>

#include "controls/a_property_list.h"
#include "controls/ys_grid.h"
#include "ui/card_code_check.h"
#include "ui/card_device_markup.h"
#include "ui/edit_status.h"
#include "engine/card_list_edits.h"
#include "ui/main_form.h"

namespace pelko {
namespace {

constexpr TWinColor kMarkedRowColor = 0xFF0000;  // blue

}  // namespace

TConfPelko& TMainForm::Cur() { return FEngine->CurConf(); }


int TMainForm::ShownCount() { return Cur().CardCount(Master()); }

void TMainForm::ConnectCardList() {
    FCardGrid->OnChangeRow = [this] { CardGridChangeRow(); };
    FCardGrid->OnKeyDown = [this](QKeyEvent* e) { CardGridKeyDown(e); };
    FCardGrid->OnMouseDown = [this](QMouseEvent* e) { CardGridMouseDown(e); };
    FCardGrid->OnMouseMove = [this](QMouseEvent* e) { CardGridMouseMove(e); };
    const std::pair<TCardBut, void (TMainForm::*)()> clicks[] = {
        {TCardBut::ChView, &TMainForm::ChViewClick},         {TCardBut::ChStatusCard, &TMainForm::ChStatusCardClick},
        {TCardBut::AddCardBut, &TMainForm::AddCardButClick}, {TCardBut::EditBut, &TMainForm::EditButClick},
        {TCardBut::DelCardBut, &TMainForm::DelCardButClick}, {TCardBut::InverseSel, &TMainForm::InverseSelClick},
        {TCardBut::ReadCodeBut, &TMainForm::ReadCodeButClick},
    };
    for (const auto& [b, handler] : clicks)
        connect(CardButton(b), &QToolButton::clicked, this, [this, h = handler] {
            (this->*h)();
            UpdateControls();
        });
}

void TMainForm::CardGridGetColumnName(int col, TWinColor& color, QString& data) {
    static const char* const kNames[] = {"Ячейка", "Код", "Пользователь"};
    color = 0;
    data = col >= 0 && col < 3 ? QString::fromUtf8(kNames[col]) : QString();
}

void TMainForm::CardGridGetCellData(int row, int col, TWinColor& color, QString& data) {
    color = 0;
    data.clear();
    const int index = CardIndexOf(row);
    if (index < 0) return;
    TCard card;
    const auto r = static_cast<std::uint16_t>(index);
    Cur().GetCard(Master(), r, card);
    if (Cur().IsCardSelected(Master(), r)) color = kMarkedRowColor;
    if (col == 0) data = QString::number(card.Pos);
    else if (col == 1) data = QString::fromStdString(CodeToText(card.Code));
    else data = QString::fromStdString(card.User);
}

// --- marking ------------------------------------------------------------------------

void TMainForm::MarkRow(int row, bool on) {
    const int index = CardIndexOf(row);
    if (index < 0) return;
    const auto r = static_cast<std::uint16_t>(index);
    if (on) Cur().SelectCard(Master(), r);
    else Cur().UnselectCard(Master(), r);
}

bool TMainForm::RowMarked(int row) {
    const int index = CardIndexOf(row);
    return index >= 0 && Cur().IsCardSelected(Master(), static_cast<std::uint16_t>(index));
}

void TMainForm::CardGridChangeRow() {
    const int r = FCardGrid->Row();
    const int before = FRowBefore;
    FRowBefore = r;
    // The keys held with the click or key that moved the row; none for a move the program made.
    Qt::KeyboardModifiers held = std::exchange(FInputModifiers, Qt::NoModifier);
    if (std::exchange(FInputRow, -1) != r) held = Qt::NoModifier;
    const bool shift = held.testFlag(Qt::ShiftModifier);
    if (held.testFlag(Qt::ControlModifier)) {
        MarkRow(r, !RowMarked(r));
        UpdateInspCard();
        FInspector->CommitEdit();
        FLastMarkRow = r;
        RepaintCardGrid();
    } else {
        if (shift && FShiftAnchor != NoCard) {
            for (int i = std::min(FShiftAnchor, r); i <= std::max(FShiftAnchor, r); ++i) MarkRow(i, true);
        } else if (!shift && r != FLastMarkRow && r != before) {
            FShiftAnchor = NoCard;
            FLastMarkRow = NoCard;
            Cur().ClearSelection(Master());
        }
        UpdateInspCard();
        RepaintCardGrid();
    }
    SetCardFocus(true);
}

// The grid has moved its row already: r is where it moved to, before where it
// stood when the key came. Shift+arrows grow the marked run from the anchor,
// or shrink it when they go back towards it.
void TMainForm::CardGridKeyDown(QKeyEvent* e) {
    if (CardListMarkKey(e)) return;
    FInputModifiers = e->modifiers();
    FInputRow = FCardGrid->Row();
    const int r = FCardGrid->Row();
    const int before = FRowBefore;
    const bool shift = e->modifiers().testFlag(Qt::ShiftModifier);
    const bool ctrl = e->modifiers().testFlag(Qt::ControlModifier);
    const int key = e->key();
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && shift) {
        if (FShiftAnchor == NoCard) FShiftAnchor = before;
        if (std::abs(r - FShiftAnchor) < std::abs(before - FShiftAnchor)) {
            MarkRow(before, false);
        } else {
            MarkRow(before, true);
            MarkRow(r, true);
        }
        FLastMarkRow = r;
    } else if ((key == Qt::Key_Up || key == Qt::Key_Down) && !ctrl) {
        Cur().ClearSelection(Master());
        FShiftAnchor = NoCard;
        FLastMarkRow = NoCard;
    } else if (key == Qt::Key_Shift && FShiftAnchor == NoCard) {
        FShiftAnchor = before;
    }
    if (key == Qt::Key_Up || key == Qt::Key_Down) RepaintCardGrid();
}

void TMainForm::CardGridMouseDown(QMouseEvent* e) {
    SetCardFocus(true);
    FInputModifiers = e->modifiers();
    FInputRow = FCardGrid->Row();
    // Only a press on a card may start a card drag: the header sizes columns.
    const QPoint at = e->position().toPoint();
    const bool onCard = FCardGrid->RowAt(at.y()) >= 0 && at.x() >= 1 && at.x() < FCardGrid->viewport()->width();
    FDragStart = e->button() == Qt::LeftButton && onCard ? at : QPoint();
}

void TMainForm::SayDone(const QString& text) { FStatusInfo->setText(text); }

void TMainForm::ShowCardOwner() {
    const DevIndex sel = FGroup.Selected();
    const TConfPelko* dev = FGroup.GetDevice(sel, nullptr);
    QString text;
    if (dev != nullptr) text = QString::fromStdString(DeviceTitle(*dev));
    if (dev != nullptr && CardsUnread(sel)) text += QStringLiteral(" — карты не считаны");
    if (text == FCardOwnerText && !text.isEmpty()) return;
    FCardOwnerText = text;
    FCardOwner->setToolTip(text);
    FCardGrid->setAccessibleName(text.isEmpty() ? QStringLiteral("Карты") : QStringLiteral("Карты: ") + text);
    FitCardOwner();
}

// A long name is cut with "…" in the heading; the hint and the list's
// accessible name carry it whole.
void TMainForm::FitCardOwner() {
    FCardOwner->setText(FCardOwner->fontMetrics().elidedText(FCardOwnerText, Qt::ElideRight, FCardOwner->width()));
}

// The flag alone does not tell: a row change the program made after a device
// click sets it while the inspector still shows the device.
void TMainForm::TakeCardFocus() {
    SetCardFocus(true);
    if (FInspector->RowCount() == 0 || FInspector->Key().startsWith(QLatin1String(kDeviceKeyPrefix))) UpdateInspCard();
}

// --- inspector ------------------------------------------------------------------------

void TMainForm::UpdateInspCard() {
    if (!FCardFocus) return;
    FInspector->LoadParams(CardMarkup(Cur(), Master(), CardRow()));
}

void TMainForm::CardChangeValue(const QString& key, TInspField field, const QString& value) {
    const int i = key.toInt();
    TCard card;
    const int r = CardRow();
    if (r < 0 || r >= ShownCount()) return;
    Cur().GetCard(Master(), static_cast<std::uint16_t>(r), card);
    if (field == TInspField::Cell) return CardCellChanged(i, card, value.toUpper().toInt());
    if (field == TInspField::Code) return CardCodeChanged(i, value);
    if (field != TInspField::User) return;
    RecordEdit("изменение имени пользователя", [&] { FEngine->SetCardUser(i, value.toStdString()); });
    SayDone(QStringLiteral("Имя пользователя карты в ячейке %1 изменено").arg(card.Pos));
}

void TMainForm::CardCellChanged(int i, const TCard& card, int cell) {
    if (cell < 0 || cell >= kCellCount || cell == card.Pos) return;
    // Written into the controller the move ends later: what it did is said then.
    const std::uint16_t from = card.Pos;
    const auto moved = [this, from, cell](const TCommandResult&) {
        SayDone(Cur().FindPosIndex(static_cast<std::uint16_t>(cell)) != NoCard
                    ? QStringLiteral("Карта перенесена из ячейки %1 в ячейку %2").arg(from).arg(cell)
                    : QStringLiteral("Карта в ячейке %1 не перенесена").arg(from));
        UpdateInspCard();
        if (!FSettings.AutoWriteKey) FInspector->RefreshValues();
    };
    RecordEdit("перемещение карты", [&] { FEngine->MoveCard(i, static_cast<std::uint16_t>(cell), moved); });
}

void TMainForm::CardCodeChanged(int i, const QString& value) {
    const TCodeCheck check = CheckCardCode(Cur(), value);
    if (!check.Message.empty()) {
        ShowMessage(kCaptionMessage, check.Message, TMsgIcon::Error);
        UpdateInspCard();
        FInspector->EditParam(1, value);
        return;
    }
    const TCode code = check.Code;
    const auto changed = [this, i, code](const TCommandResult&) {
        TCard card;
        bool took = false;
        if (i >= 0 && i < ShownCount()) {
            Cur().GetCard(Master(), static_cast<std::uint16_t>(i), card);
            took = card.Code == code;
        }
        SayDone(took ? QStringLiteral("Код карты в ячейке %1 изменён на %2")
                           .arg(card.Pos)
                           .arg(QString::fromStdString(CodeToText(code)))
                     : QStringLiteral("Код карты не изменён"));
    };
    RecordEdit("изменение кода карты", [&] { FEngine->ChangeCardCode(i, code, changed); });
}

// --- card buttons ------------------------------------------------------------------------

void TMainForm::AddCardButClick() {
    // The new card is shown whatever the find field holds: it is the one to edit next.
    const std::uint16_t cell = LowestFreeCell(Cur(), Master());
    FFilter.Keep(cell);
    const int before = ShownCount();
    const auto added = [this, cell, before](const TCommandResult&) {
        if (cell != NoCard)
            SayDone(ShownCount() > before ? QStringLiteral("Карта добавлена в ячейку %1").arg(cell)
                                          : QStringLiteral("Карта не добавлена"));
        UpdateInspCard();
    };
    RecordEdit("добавление карты", [this, added] { FEngine->AddCard(added); });
}

// The row may keep its number while another card takes it: the inspector
// must show that card, or an edit typed there would land on the wrong one.
void TMainForm::DelCardButClick() {
    TakeCardFocus();
    DeleteCards();
}

void TMainForm::DeleteCards() {
    FShiftAnchor = NoCard;
    FLastMarkRow = NoCard;
    const bool many = Cur().CountSelected(Master()) != 0;
    const int before = ShownCount();
    if (before == 0) return;
    const auto deleted = [this, before](const TCommandResult&) {
        SayDone(QString::fromStdString(DeletedText(before - ShownCount(), Cur())));
        UpdateInspCard();
    };
    RecordEdit(many ? "удаление карт" : "удаление карты", [this, deleted] { FEngine->DeleteCard(CardRow(), deleted); });
}

void TMainForm::ChStatusCardClick() {
    TakeCardFocus();
    const bool toMaster = !Master();
    const int before = Cur().CardCount(toMaster);
    if (ShownCount() == 0) return;
    const auto switched = [this, toMaster, before](const TCommandResult&) {
        if (Cur().CardCount(toMaster) == before) SayDone(QStringLiteral("Статус карты не изменён"));
        else
            SayDone(toMaster ? QStringLiteral("Карта стала мастер-картой")
                             : QStringLiteral("Карта стала картой пользователя"));
        UpdateInspCard();
    };
    RecordEdit("смену статуса карты", [this, switched] { FEngine->SwitchCardList(CardRow(), switched); });
}

void TMainForm::ChViewClick() {
    FShiftAnchor = NoCard;
    FLastMarkRow = NoCard;
    SetMasterView(!FMasterView);
    RefreshShownRows();
    RepaintCardGrid();
    UpdateInspCard();
    FInspector->CommitEdit();
    FStatusView->setText(QString::fromUtf8(Master() ? kMasterViewText : kUserViewText));
}

void TMainForm::InverseSelClick() {
    if (!FFilter.Active()) Cur().InvertSelection(Master());
    else for (int row = 0; row < FCardGrid->RowCount(); ++row) MarkRow(row, !RowMarked(row));
    RepaintCardGrid();
}

void TMainForm::EditButClick() {
    if (FInspector->SelRow() != -1) FInspector->EditParam(FInspector->SelRow());
}

// Not undone: a controller without master cards gets one written on the way.
void TMainForm::ReadCodeButClick() {
    TakeCardFocus();
    FEngine->CaptureCode(CardRow());
}

}  // namespace pelko
