// The device grid: selecting a device, the group buttons, renaming in the
// inspector, and copying cards by dragging them onto another device's cell.
#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

#include "controls/a_property_list.h"
#include "controls/ac_grid.h"
#include "controls/ys_grid.h"
#include "engine/card_list_edits.h"
#include "ui/card_device_markup.h"
#include "ui/edit_status.h"
#include "ui/main_form.h"

namespace pelko {
namespace {

// What the card list puts into a drag: only this program's own grid drops.
constexpr char kCardsMime[] = "application/x-confpelko-cards";

}  // namespace

void TMainForm::UpdateGridDev() {
    TColorCellList old = std::move(FCells);
    FCells = FGroup.MakeCellList();
    for (TColorCell& cell : FCells) WithAddress(cell);
    FGridDev->SetCells(&FCells);
    FreeCellList(old);
    ScheduleTitle();
}

// A renamed device's cell still tells its address: "*Склад (40)*". The
// label is the name between the two selection marks.
void TMainForm::WithAddress(TColorCell& cell) const {
    const TConfPelko* dev = FGroup.GetDevice(static_cast<DevIndex>(cell.Index), nullptr);
    if (dev == nullptr || cell.Text.size() < 2) return;
    const std::uint8_t adr = dev->Config[kAdrByte];
    if (dev->Name == DefaultDeviceName(adr)) return;
    cell.Text.insert(cell.Text.size() - 1, " (" + std::to_string(adr) + ")");
}

void TMainForm::UpdateInspDev() {
    const DevIndex sel = FGroup.Selected();
    const TConfPelko* dev = FGroup.GetDevice(sel, nullptr);
    if (sel == NoDevice || dev == nullptr) return;
    FInspector->CommitEdit();
    FInspector->LoadParams(DeviceMarkup(*dev, sel));
}

// A device left the group (file, new configuration, lost devices): the card
// list and the inspector must not show what is gone.
void TMainForm::DevicesRemoved() {
    RefreshShownRows();
    RepaintCardGrid();
    if (FGroup.Selected() == NoDevice) {
        SetCardFocus(false);
        FInspector->LoadParams(EmptyMarkup());
    } else {
        UpdateInspDev();
    }
}

void TMainForm::GridDevCellClick(const TColorCell* cell) {
    if (cell == nullptr) return;
    SetCardFocus(false);
    FMenuDev->menuAction()->setEnabled(true);
    const auto index = static_cast<DevIndex>(cell->Index);
    if (index == FGroup.Selected()) return UpdateInspDev();
    FGroup.Select(index);
    RefreshShownRows();
    RepaintCardGrid();
    UpdateInspDev();
    UpdateControls();
    UpdateGridDev();  // the clicked cell is gone after this
}

void TMainForm::SelectDevice(std::uint8_t adr) {
    const DevIndex index = FGroup.IndexOfAdr(adr);
    for (const TColorCell& cell : FCells)
        if (cell.Index == index) return GridDevCellClick(&cell);
}

void TMainForm::sbAddDevGroupClick() {
    const DevIndex sel = FGroup.Selected();
    if (sel == NoDevice || FGroup.GetState(sel, dfInGroup)) return;
    FGroup.SetState(sel, dfInGroup);
    UpdateGridDev();
    UpdateInspDev();
    UpdateControls();
}

void TMainForm::sbDelDevGroupClick() {
    const DevIndex sel = FGroup.Selected();
    if (sel == NoDevice) return;
    FGroup.ClearState(sel, dfInGroup);
    UpdateGridDev();
    UpdateInspDev();
    UpdateControls();
}

void TMainForm::AInspector1ChangeValue(const QString& key, const QString& id, const QString& value,
                                       bool& canExit) {
    canExit = true;
    ScheduleTitle();
    const std::optional<TInspField> field = InspFieldOf(id.toStdString());
    if (!field) return;  // a row shown, not edited
    if (FCardFocus && !key.startsWith(QLatin1String(kDeviceKeyPrefix))) CardChangeValue(key, *field, value);
    const qsizetype at = key.indexOf(QLatin1String(kDeviceKeyPrefix));
    if (at < 0) return;
    bool ok = false;
    // Every digit counts: a group holds up to 254 devices.
    const int index = key.mid(at + 3).toInt(&ok);
    if (!ok || *field != TInspField::DevName) return;
    FGroup.SetName(static_cast<DevIndex>(index), value.toStdString());
    UpdateGridDev();
}

// --- drag and drop ----------------------------------------------------------------

void TMainForm::CardGridMouseMove(QMouseEvent* e) {
    if (!(e->buttons() & Qt::LeftButton) || FDragStart.isNull() || FCardGrid->RowCount() == 0 || FCardGrid->SizingCol() >= 0)
        return;
    if ((e->position().toPoint() - FDragStart).manhattanLength() < QApplication::startDragDistance()) return;
    FDragStart = QPoint();
    auto* drag = new QDrag(FCardGrid);
    auto* mime = new QMimeData;
    mime->setData(QString::fromLatin1(kCardsMime), QByteArray::number(FGroup.Selected()));
    drag->setMimeData(mime);
    drag->exec(Qt::CopyAction);
    FStatusInfo->clear();
}

bool TMainForm::OwnCards(const QDropEvent* e) const {
    return e->source() == FCardGrid && e->mimeData()->hasFormat(QString::fromLatin1(kCardsMime));
}

void TMainForm::ConnectDeviceGrid() {
    FGridDev->setAcceptDrops(true);
    FGridDev->viewport()->setAcceptDrops(true);
    // Cards dragged from this window's card list are taken, nothing else (a
    // drop from another window would copy this one's current card); the
    // status bar names the cell they would land on.
    FGridDev->OnDragOver = [this](QDragMoveEvent* e) {
        if (!OwnCards(e)) return false;
        const QPoint at = e->position().toPoint();
        const TColorCell* cell = FGridDev->CellAt(at.x(), at.y());
        FStatusInfo->setText(cell ? QStringLiteral("Копировать в: %1").arg(QString::fromStdString(cell->Text).trimmed())
                                  : QString());
        return true;
    };
    FGridDev->OnDragDrop = [this](QDropEvent* e) {
        FStatusInfo->clear();
        if (!OwnCards(e)) return;
        const QPoint at = e->position().toPoint();
        GridDevDragDrop(at.x(), at.y());
    };
}

void TMainForm::GridDevDragDrop(int x, int y) {
    const TColorCell* cell = FGridDev->CellAt(x, y);
    if (cell == nullptr || cell->Index == FGroup.Selected()) return;
    CopyCards(static_cast<DevIndex>(cell->Index));
}

void TMainForm::CopyCards(DevIndex target) {
    const TConfPelko* to = FGroup.GetDevice(target, nullptr);
    if (to == nullptr) return;
    const int before = to->CardCount(Master());
    const std::uint8_t adr = to->Config[kAdrByte];
    const auto copied = [this, adr, before](const TCommandResult&) {
        const DevIndex at = FGroup.IndexOfAdr(adr);
        const TConfPelko* dev = FGroup.GetDevice(at, nullptr);
        if (dev != nullptr)
            SayDone(QString::fromStdString(CopiedText(dev->CardCount(Master()) - before, *dev, !CardsUnread(at))));
        UpdateGridDev();
    };
    RecordCopy(target, [this, target, copied] { FEngine->CopyCardsTo(target, CardRow(), copied); });
}

bool TMainForm::CardsUnread(DevIndex index) const {
    const TConfPelko* dev = FGroup.GetDevice(index, nullptr);
    return dev != nullptr && FGroup.GetState(index, dfConnected) && FCardsRead.count(dev->Config[kAdrByte]) == 0;
}

}  // namespace pelko
