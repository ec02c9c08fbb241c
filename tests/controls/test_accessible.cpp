// What screen readers and AT-SPI tools see of the hand-drawn controls: the
// card grid and the inspector as tables, the device grid as a list, and the
// notifications sent when their rows change.
#include <gtest/gtest.h>

#include <QAccessible>
#include <algorithm>
#include <vector>

#include "controls/a_property_list.h"
#include "controls/ac_grid.h"
#include "controls/accessible_grids.h"
#include "controls/ys_grid.h"
#include "controls_test_util.h"

namespace pelko {
namespace {

// Collects the accessibility events while it lives.
class EventLog {
public:
    EventLog() : Previous_(SetAccessibleSink(&Record)) { Events().clear(); }
    ~EventLog() { SetAccessibleSink(Previous_); }
    bool Has(QAccessible::Event type, int child) const {
        return std::count(Events().begin(), Events().end(), std::make_pair(type, child)) > 0;
    }

private:
    static std::vector<std::pair<QAccessible::Event, int>>& Events() {
        static std::vector<std::pair<QAccessible::Event, int>> events;
        return events;
    }
    static void Record(QAccessibleEvent* event) { Events().emplace_back(event->type(), event->child()); }
    TAccessibleSink Previous_;
};

// The repaint, then the check queued behind it.
void Settle() {
    for (int i = 0; i < 3; ++i)
        test::Flush();
}

QAccessibleInterface* At(QAccessibleInterface* parent, QAccessibleInterface* child) {
    const QPoint centre = child->rect().center();
    return parent->childAt(centre.x(), centre.y());
}

TEST(AccessibleGrids, CardGridIsATableWithTheCurrentRowSelected) {
    InstallAccessibleGrids();
    EventLog log;
    TYSGrid grid;
    grid.resize(300, 200);
    grid.SetColCount(3);
    grid.OnGetColumnName = [](int col, TWinColor&, QString& data) {
        data = QStringLiteral("Колонка %1").arg(col);
    };
    grid.OnGetCellData = [](int row, int col, TWinColor&, QString& data) {
        data = QStringLiteral("%1:%2").arg(row).arg(col);
    };
    grid.SetRowCount(4);  // the last row becomes current
    test::ShowActive(&grid);
    Settle();

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&grid);
    ASSERT_NE(iface, nullptr);
    QAccessibleTableInterface* table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Table);
    EXPECT_EQ(table->rowCount(), 4);
    EXPECT_EQ(table->columnCount(), 3);
    EXPECT_EQ(iface->childCount(), 5 * 3);  // the headers come first
    EXPECT_EQ(table->columnDescription(2), QStringLiteral("Колонка 2"));
    EXPECT_EQ(iface->child(1)->role(), QAccessible::ColumnHeader);
    EXPECT_EQ(iface->child(1)->text(QAccessible::Name), QStringLiteral("Колонка 1"));

    QAccessibleInterface* cell = table->cellAt(2, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->role(), QAccessible::Cell);
    EXPECT_EQ(cell->text(QAccessible::Name), QStringLiteral("2:1"));
    EXPECT_EQ(cell->tableCellInterface()->rowIndex(), 2);
    EXPECT_EQ(cell->tableCellInterface()->columnHeaderCells().value(0), iface->child(1));
    EXPECT_EQ(iface->indexOfChild(cell), 3 * 3 + 1);
    EXPECT_EQ(iface->child(3 * 3 + 1), cell);
    EXPECT_EQ(At(iface, cell), cell);
    EXPECT_EQ(At(iface, iface->child(2)), iface->child(2));
    EXPECT_EQ(table->cellAt(4, 0), nullptr);

    EXPECT_EQ(table->selectedRows(), QList<int>{3});
    EXPECT_TRUE(table->cellAt(3, 2)->state().selected);
    EXPECT_FALSE(cell->state().selected);

    grid.setFocus();
    EXPECT_TRUE(table->selectRow(1));
    EXPECT_EQ(grid.Row(), 1);
    Settle();
    EXPECT_EQ(iface->focusChild(), table->cellAt(1, 0));
    EXPECT_TRUE(log.Has(QAccessible::SelectionRemove, 4 * 3));
    EXPECT_TRUE(log.Has(QAccessible::SelectionAdd, 2 * 3));
    EXPECT_TRUE(log.Has(QAccessible::Focus, 2 * 3));

    grid.SetRowCount(2);
    Settle();
    EXPECT_TRUE(log.Has(QAccessible::TableModelChanged, -1));
    EXPECT_EQ(iface->childCount(), 3 * 3);
    EXPECT_EQ(table->cellAt(2, 1), nullptr);
}

TEST(AccessibleGrids, InspectorIsATwoColumnTable) {
    InstallAccessibleGrids();
    TAInspector inspector;
    inspector.resize(300, 200);
    test::ShowActive(&inspector);
    inspector.LoadParams(std::string(
        "<Параметры ключ=\"5\">"
        "<Параметр название=\"Код карты\" тип=\"текст\" значение=\"12AB34CD56\"/>"
        "<Параметр название=\"Пользователь\" тип=\"текст\" значение=\"Рога &amp; копыта\"/>"
        "<Параметр название=\"Адрес\" тип=\"константа\" значение=\"13\"/>"
        "</Параметры>"));

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&inspector);
    ASSERT_NE(iface, nullptr);
    QAccessibleTableInterface* table = iface->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->columnCount(), 2);
    EXPECT_EQ(table->columnDescription(0), QStringLiteral("Свойство"));
    EXPECT_EQ(table->columnDescription(1), QStringLiteral("Значение"));
    EXPECT_EQ(table->cellAt(1, 0)->text(QAccessible::Name), QStringLiteral("Пользователь"));
    EXPECT_EQ(table->cellAt(1, 1)->text(QAccessible::Name), QStringLiteral("Рога & копыта"));
    EXPECT_TRUE(table->cellAt(1, 1)->state().editable);
    EXPECT_TRUE(table->cellAt(2, 1)->state().readOnly);
    EXPECT_TRUE(table->selectedRows().isEmpty());
    EXPECT_EQ(At(iface, table->cellAt(2, 1)), table->cellAt(2, 1));

    inspector.EditParam(2);
    EXPECT_EQ(table->selectedRows(), QList<int>{2});
    EXPECT_FALSE(table->selectRow(0));  // would open an editor
    test::Flush();

    inspector.LoadParams(std::string("<Параметры><Параметр название=\"Ячейка\" тип=\"текст\"/></Параметры>"));
    EXPECT_EQ(table->rowCount(), 1);
    EXPECT_TRUE(table->selectedRows().isEmpty());
    EXPECT_EQ(table->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("Ячейка"));
}

TEST(AccessibleGrids, DeviceGridIsAListOfItsCells) {
    InstallAccessibleGrids();
    EventLog log;
    QWidget window;
    window.resize(161, 300);
    auto* grid = new TACGrid(&window);
    grid->setGeometry(0, 0, 161, 10);
    grid->SetCaption(QStringLiteral("Приборы"));
    TColorCellList cells{{0x00FF00, 0, " 1 Вход ", 0}, {0x0000FF, 0, "2 Выход", 1}, {0xFF0000, 0, "3", 2}};
    grid->SetCells(&cells);
    test::ShowActive(&window);
    Settle();

    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(grid);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::List);
    EXPECT_EQ(iface->text(QAccessible::Description), QStringLiteral("Приборы"));
    ASSERT_EQ(iface->childCount(), 3);
    EXPECT_EQ(iface->child(0)->role(), QAccessible::ListItem);
    EXPECT_EQ(iface->child(0)->text(QAccessible::Name), QStringLiteral("1 Вход"));
    EXPECT_EQ(iface->child(1)->backgroundColor(), QColor(0xFF, 0, 0));
    EXPECT_EQ(iface->indexOfChild(iface->child(2)), 2);
    EXPECT_EQ(At(iface, iface->child(2)), iface->child(2));

    TColorCellList more = cells;
    more.push_back({0, 0, "4", 3});
    grid->SetCells(&more);
    Settle();
    EXPECT_TRUE(log.Has(QAccessible::ObjectReorder, -1));
    ASSERT_EQ(iface->childCount(), 4);
    EXPECT_EQ(iface->child(3)->text(QAccessible::Name), QStringLiteral("4"));
    EXPECT_EQ(At(iface, iface->child(3)), iface->child(3));
}

// Marks are the card list's selection; without marks the current row is.
TEST(AccessibleGrids, MarkedCardRowsAreTheSelection) {
    InstallAccessibleGrids();
    EventLog log;
    TYSGrid grid;
    grid.resize(300, 200);
    grid.SetColCount(3);
    std::vector<bool> marks(5, false);
    grid.OnRowMarked = [&marks](int row) { return marks[static_cast<std::size_t>(row)]; };
    grid.SetRowCount(5);
    test::ShowActive(&grid);
    Settle();
    QAccessibleTableInterface* table = QAccessible::queryAccessibleInterface(&grid)->tableInterface();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->selectedRows(), QList<int>{4});
    marks[1] = marks[3] = true;
    grid.viewport()->update();
    Settle();
    EXPECT_EQ(table->selectedRows(), (QList<int>{1, 3}));
    EXPECT_TRUE(table->cellAt(3, 2)->state().selected);
    EXPECT_FALSE(table->cellAt(4, 0)->state().selected);
    EXPECT_TRUE(table->cellAt(4, 0)->state().focused) << "the current row keeps the focus";
    EXPECT_TRUE(log.Has(QAccessible::SelectionWithin, -1));
}

// Each cell says its state in words; the owner's selected one is selected,
// the keyboard's current one focused.
TEST(AccessibleGrids, DeviceCellsSayTheirState) {
    InstallAccessibleGrids();
    EventLog log;
    QWidget window;
    window.resize(161, 300);
    auto* grid = new TACGrid(&window);
    grid->setGeometry(0, 0, 161, 10);
    TColorCellList cells{{0x00FF00, 0, "А", 0}, {0x0000FF, 0, "Б", 1}};
    std::vector<TCellLook> looks{{false, true, false, QStringLiteral("подключен, открыт, не в группе")},
                                 {true, false, true, QStringLiteral("нет связи, в группе, выбран")}};
    grid->OnCellLook = [&looks](PColorCell cell) { return looks[static_cast<std::size_t>(cell->Index)]; };
    grid->SetCells(&cells);
    test::ShowActive(&window);
    grid->setFocus();
    Settle();
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(grid);
    ASSERT_EQ(list->childCount(), 2);
    EXPECT_EQ(list->child(0)->text(QAccessible::Description), looks[0].State);
    EXPECT_EQ(list->child(1)->text(QAccessible::Description), looks[1].State);
    EXPECT_FALSE(list->child(0)->state().selected);
    EXPECT_TRUE(list->child(1)->state().selected);
    EXPECT_TRUE(list->child(1)->state().focused) << "the focus starts on the selected cell";
    EXPECT_EQ(list->focusChild(), list->child(1));
    EXPECT_TRUE(log.Has(QAccessible::Focus, 1));
    // A new state is a change of the list.
    looks[0].State = QStringLiteral("нет связи, не в группе");
    grid->viewport()->update();
    Settle();
    EXPECT_TRUE(log.Has(QAccessible::ObjectReorder, -1));
    EXPECT_EQ(list->child(0)->text(QAccessible::Description), looks[0].State);
}

}  // namespace
}  // namespace pelko
