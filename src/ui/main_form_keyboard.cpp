// Everything from the keyboard: the card menu, menu items for the toolbar's
// commands, F10, the card list's keys, the device grid's marks and words,
// and copying cards to another controller without dragging.
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QShortcut>
#include <QTimer>
#include <QToolButton>
#include <utility>

#include "controls/a_property_list.h"
#include "controls/ac_grid.h"
#include "controls/ys_grid.h"
#include "ui/device_state_words.h"
#include "ui/main_form.h"

namespace pelko {

// An item that runs a button as a click does, and is enabled when it is.
QAction* TMainForm::MirrorItem(QMenu* menu, const char* name, const QString& caption, QToolButton* button) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    connect(action, &QAction::triggered, button, [button] { button->click(); });
    FMirrors.emplace_back(action, button);
    return action;
}

// With the buttons, after every UpdateControls and when a menu opens.
void TMainForm::MirrorButtons() {
    for (const auto& [action, button] : FMirrors) action->setEnabled(button->isEnabled());
    if (FActions.CopyToDevice != nullptr) FActions.CopyToDevice->setEnabled(CanCopyToDevice());
}

// "Карты", between "Файл" and "Прибор": the card buttons and the copy.
void TMainForm::BuildCardMenu() {
    QMenu* cards = menuBar()->addMenu(QStringLiteral("&Карты"));
    cards->setObjectName(QStringLiteral("MenuCards"));
    // Insert and Delete act only in the card list: elsewhere they belong to editors.
    auto inList = [this](QAction* a, QKeySequence key) {
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetShortcut);
        FCardGrid->addAction(a);
    };
    inList(MirrorItem(cards, "AddCardItem", QStringLiteral("&Добавить карту"), CardButton(TCardBut::AddCardBut)),
           QKeySequence(Qt::Key_Insert));
    inList(MirrorItem(cards, "DelCardItem", QStringLiteral("&Удалить карту"), CardButton(TCardBut::DelCardBut)),
           QKeySequence(Qt::Key_Delete));
    MirrorItem(cards, "ChStatusCardItem", QStringLiteral("Сменить &статус карты"), CardButton(TCardBut::ChStatusCard));
    MirrorItem(cards, "ReadCodeItem", QStringLiteral("Считать &код карты"), CardButton(TCardBut::ReadCodeBut));
    QAction* copy = cards->addAction(QStringLiteral("Копирова&ть в прибор…"));
    copy->setObjectName(QStringLiteral("CopyToDevice"));
    copy->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+C")));
    connect(copy, &QAction::triggered, this, [this] { CopyToDeviceClick(); });
    FActions.CopyToDevice = copy;
    cards->addSeparator();
    MirrorItem(cards, "ChViewItem", QStringLiteral("Переключить &режим отображения"), CardButton(TCardBut::ChView));
    MirrorItem(cards, "InverseSelItem", QStringLiteral("&Обратить выделение"), CardButton(TCardBut::InverseSel));
    MirrorItem(cards, "EditItem", QStringLiteral("Пр&авить строку"), CardButton(TCardBut::EditBut));
    connect(cards, &QMenu::aboutToShow, this, [this] { MirrorButtons(); });
}

// The toolbar's commands that had no menu item: "Создать" in "Файл", and the
// commands on the whole line and the group in a menu "Группа" after "Прибор"
// (that menu is disabled until a controller is selected).
void TMainForm::BuildToolbarItems(QMenu* file, QAction* before) {
    QAction* first = file->actions().value(0);
    QAction* create = MirrorItem(file, "sbFileCreateItem", QStringLiteral("Со&здать"), ToolButton(TToolId::sbFileCreate));
    file->insertAction(first, create);
    auto* group = new QMenu(QStringLiteral("&Группа"), menuBar());
    group->setObjectName(QStringLiteral("MenuGroup"));
    menuBar()->insertMenu(before, group);
    MirrorItem(group, "SpButFindItem", QStringLiteral("Пои&ск приборов на текущей скорости"), ToolButton(TToolId::SpButFind));
    MirrorItem(group, "SpButExFindItem", QStringLiteral("Поиск приборов на &всех скоростях"), ToolButton(TToolId::SpButExFind));
    group->addSeparator();
    MirrorItem(group, "sbReadKeyDevItem", QStringLiteral("Считать карты &из приборов"), ToolButton(TToolId::sbReadKeyDev));
    MirrorItem(group, "sbWriteKeyDevItem", QStringLiteral("Записа&ть карты в приборы"), ToolButton(TToolId::sbWriteKeyDev));
    group->addSeparator();
    MirrorItem(group, "sbAddDevGroupItem", QStringLiteral("&Добавить прибор в группу"), ToolButton(TToolId::sbAddDevGroup));
    MirrorItem(group, "sbDelDevGroupItem", QStringLiteral("&Удалить прибор из группы"), ToolButton(TToolId::sbDelDevGroup));
    // A button can change outside UpdateControls (the port, an operation): look again on opening.
    for (QMenu* menu : {file, group}) connect(menu, &QMenu::aboutToShow, this, [this] { MirrorButtons(); });
    // F10 opens the menu bar on its first menu, as on the other desktops.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] {
        for (QAction* a : menuBar()->actions())
            if (a->isVisible() && a->isEnabled() && a->menu()) return menuBar()->setActiveAction(a);
    });
    MirrorButtons();
}

// --- the panes ---------------------------------------------------------------------

void TMainForm::BuildPaneKeys() {
    const std::pair<QKeySequence, int> steps[] = {{QKeySequence(Qt::Key_F6), 1},
                                                  {QKeySequence(Qt::SHIFT | Qt::Key_F6), -1}};
    for (const auto& [key, step] : steps)
        connect(new QShortcut(key, this), &QShortcut::activated, this, [this, step = step] { StepPane(step); });
    auto* devices = new QShortcut(QKeySequence::mnemonic(QStringLiteral("При&боры")), this);
    connect(devices, &QShortcut::activated, this, [this] {
        if (FGridDev->isVisible()) FGridDev->setFocus(Qt::ShortcutFocusReason);
    });
}

// From the pane holding the focus (or from outside them all) to the next one shown.
void TMainForm::StepPane(int step) {
    const QWidget* panes[] = {FCardGrid, FGridDev, FInspector};
    constexpr int n = 3;
    const QWidget* focus = QApplication::focusWidget();
    int at = step > 0 ? -1 : n;
    for (int i = 0; i < n; ++i)
        if (focus != nullptr && (focus == panes[i] || panes[i]->isAncestorOf(focus))) at = i;
    for (int k = 1; k <= n; ++k) {
        QWidget* next = const_cast<QWidget*>(panes[((at + step * k) % n + n) % n]);
        if (next->isVisible()) return next->setFocus(Qt::ShortcutFocusReason);
    }
}

// The window starts on "Поиск"; the first devices found or opened take the
// keyboard from the toolbar, where it was left.
void TMainForm::FocusFirstDevices() {
    const bool had = std::exchange(FHadDevices, FGroup.Count() > 0);
    if (had || !FHadDevices) return;
    QTimer::singleShot(0, this, [this] {
        const QWidget* focus = QApplication::focusWidget();
        const bool fromToolbar = focus == nullptr || FToolPanel->isAncestorOf(focus);
        if (fromToolbar && FGridDev->isVisible()) FGridDev->setFocus(Qt::OtherFocusReason);
    });
}

// --- the card list's keys -------------------------------------------------------

// Space marks or unmarks the current row; Ctrl+A marks every row shown.
bool TMainForm::CardListMarkKey(QKeyEvent* e) {
    const int r = FCardGrid->Row();
    if (e->key() == Qt::Key_Space && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        if (r < 0) return true;
        MarkRow(r, !RowMarked(r));
        FLastMarkRow = r;
        FShiftAnchor = r;
    } else if (e->key() == Qt::Key_A && e->modifiers() == Qt::ControlModifier) {
        for (int row = 0; row < FCardGrid->RowCount(); ++row) MarkRow(row, true);
        FLastMarkRow = r;
    } else {
        return false;
    }
    RepaintCardGrid();
    return true;
}

// --- the device grid's marks, and the copy without dragging ----------------------

void TMainForm::ConnectDeviceLook() {
    FGridDev->OnCellLook = [this](PColorCell cell) {
        const auto index = static_cast<DevIndex>(cell->Index);
        return DeviceCellLook(FGroup, index, CardsUnread(index));
    };
    FCardGrid->OnRowMarked = [this](int row) { return RowMarked(row); };
}

bool TMainForm::CanCopyToDevice() {
    return FGroup.Selected() != NoDevice && FGroup.Count() > 1 && ShownCount() > 0;
}

// The card of the current row, or the marked ones, into a controller chosen
// from the group: the same copy as a drop on that controller's cell.
void TMainForm::CopyToDeviceClick() {
    if (!CanCopyToDevice()) return;
    std::vector<std::pair<int, QString>> choices;
    for (const TColorCell& cell : FCells) {
        if (cell.Index == FGroup.Selected()) continue;
        const auto index = static_cast<DevIndex>(cell.Index);
        const TConfPelko* dev = FGroup.GetDevice(index, nullptr);
        if (dev == nullptr) continue;
        choices.emplace_back(cell.Index, QStringLiteral("%1 (адрес %2; %3)")
                                             .arg(QString::fromStdString(dev->Name))
                                             .arg(dev->Config[kAdrByte])
                                             .arg(DeviceStateWords(FGroup, index, CardsUnread(index))));
    }
    const std::optional<int> target = AskCopyTarget(choices);
    if (!target || *target == FGroup.Selected() || FGroup.GetDevice(static_cast<DevIndex>(*target), nullptr) == nullptr)
        return;
    CopyCards(static_cast<DevIndex>(*target));
}

}  // namespace pelko
