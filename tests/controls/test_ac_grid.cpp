// The device cell grid: column and height arithmetic, hover and click
// events, and the colours that reach the screen.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QImage>
#include <map>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include "controls/ac_grid.h"
#include "controls/win_color.h"
#include "controls_test_util.h"

namespace pelko {
namespace {

TEST(CellColumns, SparePixelsGoToTheLeftmostColumns) {
    const struct { int client, cell, count, width, spare; } cases[] = {
        {161, 50, 3, 53, 1}, {201, 50, 4, 50, 0}, {100, 50, 1, 99, 0},
        {40, 50, 1, 39, 0},  {163, 40, 4, 40, 2},
    };
    for (const auto& c : cases) {
        const TCellColumns layout = LayoutColumns(c.client, c.cell);
        EXPECT_EQ(layout.Count, c.count) << c.client;
        EXPECT_EQ(layout.Width, c.width) << c.client;
        EXPECT_EQ(layout.Spare, c.spare) << c.client;
        // The columns and the left border line fill the client width exactly.
        EXPECT_EQ(layout.Left(layout.Count), c.client - 1) << c.client;
    }
    const TCellColumns three = LayoutColumns(161, 50);
    EXPECT_EQ(three.WidthOf(0), 54);
    EXPECT_EQ(three.WidthOf(1), 53);
    EXPECT_EQ(three.Left(1), 54);
    EXPECT_EQ(three.At(0), -1);  // the left border line
    EXPECT_EQ(three.At(54), 0);  // a cell's right line belongs to it
    EXPECT_EQ(three.At(55), 1);
    EXPECT_EQ(three.At(160), 2);
}

TEST(GridHeight, FollowsTheRowsWithinTheConstraints) {
    const struct { THeightInput in; int height; bool scrolled; } cases[] = {
        {{161, 0, 50, 20, 8, true, 0, 0}, 81, false},     // three columns, title and three rows
        {{161, 0, 50, 20, 8, false, 0, 0}, 61, false},
        {{161, 0, 50, 20, 0, true, 0, 0}, 21, false},     // only the title
        {{300, 0, 70, 20, 30, true, 0, 103}, 103, true},  // the main window's limit
        {{300, 0, 70, 20, 3, true, 60, 103}, 60, false},  // raised to the minimum
        {{300, 0, 70, 20, 16, true, 0, 100}, 101, false}, // exactly fits: the limit is not applied
        {{165, 2, 50, 20, 8, true, 0, 0}, 85, false},     // the border narrows the columns and adds to the height
    };
    for (const auto& c : cases) {
        const TGridHeight h = LayoutHeight(c.in);
        EXPECT_EQ(h.Height, c.height) << c.in.Width << "/" << c.in.CellCount;
        EXPECT_EQ(h.Scrolled, c.scrolled) << c.in.Width << "/" << c.in.CellCount;
    }
    EXPECT_EQ(ScrollMax(8, true, 103, 20), 4);
    EXPECT_EQ(ScrollMax(3, true, 81, 20), 0);
}

TColorCellList Cells(int count, const std::string& prefix = "П") {
    static const TWinColor kColors[8] = {0x6060FF, 0x0000FF, 0xFF8000, 0xFF0000,
                                         0x00FF00, 0x008000, 0x80FFFF, 0x00FFFF};
    TColorCellList cells;
    for (int i = 0; i < count; ++i)
        cells.push_back({kColors[i % 8], 0, prefix + std::to_string(i), i});
    return cells;
}

struct ACGridFixture : ::testing::Test {
    void SetUp() override {
        window.resize(161, 300);
        grid = new TACGrid(&window);
        grid->setFont(test::TestFont());
        grid->SetMinCellWidth(50);
        grid->setGeometry(0, 0, 161, 10);
        grid->OnMouseCell = [this](PColorCell cell) { hovered.push_back(cell ? cell->Index : -1); };
        grid->OnCellClick = [this](PColorCell cell, TCellButton button) {
            clicks.push_back(cell->Index * 10 + (button == TCellButton::mbRight ? 1 : 0));
        };
        test::ShowActive(&window);
    }
    QPoint CellCentre(int index) const {
        const TCellColumns c = grid->Columns();
        const int row = index / c.Count, col = index % c.Count;
        const int top = (grid->Caption().isEmpty() ? 1 : grid->CellHeight() + 1) + row * grid->CellHeight();
        return QPoint(c.Left(col) + c.WidthOf(col) / 2, top + grid->CellHeight() / 2);
    }
    void Move(QPoint at) { QTest::mouseMove(grid->viewport(), at); }

    QWidget window;
    TACGrid* grid = nullptr;
    TColorCellList cells = Cells(8);
    std::vector<int> hovered;
    std::vector<int> clicks;
};

TEST_F(ACGridFixture, EightCellsWithATitleNeedFourRows) {
    grid->SetCaption(QStringLiteral("Приборы"));
    grid->SetCells(&cells);
    EXPECT_EQ(grid->Columns().Count, 3);
    EXPECT_EQ(grid->height(), 81);
    EXPECT_EQ(grid->ScrollMaximum(), 0);
    EXPECT_FALSE(grid->verticalScrollBar()->isVisible());
}

TEST_F(ACGridFixture, AWideLabelWidensEveryCell) {
    grid->SetCells(&cells);
    EXPECT_EQ(grid->CellWidth(), 50);
    TColorCellList wide = Cells(3, "Очень длинное имя прибора");
    grid->SetCells(&wide);
    const int label = QFontMetrics(test::TestFont()).horizontalAdvance(QString::fromStdString(wide[2].Text));
    EXPECT_EQ(grid->CellWidth(), label + 10);
    EXPECT_EQ(grid->Columns().Count, std::max(1, 160 / (label + 10)));
}

TEST_F(ACGridFixture, MouseCellFiresOncePerChangeAndNilOnLeaving) {
    grid->SetCells(&cells);
    Move(CellCentre(0));
    Move(CellCentre(0) + QPoint(3, 2));
    Move(CellCentre(1));
    Move(CellCentre(4));
    test::Leave(grid->viewport());
    test::Leave(grid->viewport());
    EXPECT_EQ(hovered, (std::vector<int>{0, 1, 4, -1}));
    EXPECT_EQ(grid->HoveredCell(), nullptr);
}

TEST_F(ACGridFixture, ClicksReachOnlyHoveredCells) {
    grid->SetCells(&cells);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(2));
    QTest::mouseClick(grid->viewport(), Qt::RightButton, Qt::NoModifier, CellCentre(5));
    // Beyond the last cell of the last row, and on the left border line.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, CellCentre(8));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(0, 10));
    EXPECT_EQ(clicks, (std::vector<int>{20, 51}));
    EXPECT_EQ(grid->CellAt(CellCentre(8).x(), CellCentre(8).y()), nullptr);
    EXPECT_EQ(grid->CellAt(CellCentre(7).x(), CellCentre(7).y()), &cells[7]);
}

TEST_F(ACGridFixture, EmptyListPaintsTitleAndParentBackgroundOnly) {
    grid->SetCaption(QStringLiteral("Приборы"));
    TColorCellList none;
    grid->SetCells(&none);
    Move(QPoint(20, 30));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(20, 30));
    test::Leave(grid->viewport());
    EXPECT_TRUE(hovered.empty());
    EXPECT_TRUE(clicks.empty());
    EXPECT_EQ(grid->height(), 21);
    const QImage image = test::Render(grid->viewport());
    EXPECT_TRUE(test::SameColor(image, QPoint(3, 3), SystemColors(grid->palette()).ButtonFace));
    EXPECT_TRUE(test::SameColor(image, QPoint(3, 20), Qt::black));
}

TEST_F(ACGridFixture, CellsShowTheirColoursBetweenBlackLines) {
    grid->SetCells(&cells);
    const QImage image = test::Render(grid->viewport());
    const QColor back = window.palette().color(window.backgroundRole());
    for (int i = 0; i < 8; ++i) {
        const QPoint centre = CellCentre(i) + QPoint(grid->Columns().WidthOf(i % 3) / 2 - 3, 0);
        EXPECT_TRUE(test::SameColor(image, centre, FromWinColor(cells[i].Color))) << "cell " << i;
    }
    EXPECT_TRUE(test::SameColor(image, QPoint(0, 10), Qt::black));    // left line of column 0
    EXPECT_TRUE(test::SameColor(image, QPoint(30, 0), Qt::black));    // top line of the first row
    EXPECT_TRUE(test::SameColor(image, QPoint(54, 10), Qt::black));   // right line of the wider column 0
    EXPECT_TRUE(test::SameColor(image, QPoint(30, 20), Qt::black));   // bottom line of row 0
    // Cells 6 and 7 fill two thirds of the last row; the rest is the parent's background.
    EXPECT_TRUE(test::SameColor(image, CellCentre(8), back));
}

TEST_F(ACGridFixture, ScrollingKeepsTheLastRowsFilled) {
    grid->SetCaption(QStringLiteral("Приборы"));
    grid->SetMaxHeightConstraint(103);
    TColorCellList many = Cells(30);
    grid->SetCells(&many);
    EXPECT_EQ(grid->height(), 103);
    const int columns = grid->Columns().Count;
    const int rows = (30 + columns - 1) / columns;
    EXPECT_EQ(grid->ScrollMaximum(), rows + 1 - 102 / 20);
    grid->verticalScrollBar()->setValue(grid->ScrollMaximum());
    EXPECT_EQ(grid->FirstCell(), grid->ScrollMaximum() * columns);
    // A shorter list pulls the first shown row back so no empty rows remain.
    TColorCellList fewer = Cells(20);
    grid->SetCells(&fewer);
    FreeCellList(many);
    const int now = grid->Columns().Count;
    const int max = (20 + now - 1) / now + 1 - 102 / 20;
    ASSERT_GT(max, 0);
    ASSERT_LT(max, rows);
    EXPECT_EQ(grid->ScrollMaximum(), max);
    EXPECT_EQ(grid->FirstRow(), max);
    EXPECT_EQ(grid->CellAt(CellCentre(0).x(), CellCentre(0).y()), &fewer[grid->FirstCell()]);
}

TEST_F(ACGridFixture, PanelAroundTheGridFollowsItsHeight) {
    QFrame panel(&window);
    panel.setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel.setLineWidth(2);
    auto* inner = new TACGrid(&panel);
    inner->setGeometry(2, 2, 161, 10);
    inner->SetMinCellWidth(50);
    inner->SetCells(&cells);
    EXPECT_EQ(inner->height(), 61);
    EXPECT_EQ(panel.height(), 61 + 2 * panel.frameWidth());
}

// Eight cells in three columns: 0 1 2 / 3 4 5 / 6 7. Every movement key
// from every cell, and Enter and Space clicking the cell reached.
TEST_F(ACGridFixture, KeysMoveBetweenCellsAndClickTheCurrentOne) {
    grid->SetCells(&cells);
    ASSERT_EQ(grid->Columns().Count, 3);
    struct TMove {
        int Key;
        int To[8];
    };
    const TMove moves[] = {
        {Qt::Key_Left, {0, 0, 1, 2, 3, 4, 5, 6}},  {Qt::Key_Right, {1, 2, 3, 4, 5, 6, 7, 7}},
        {Qt::Key_Up, {0, 1, 2, 0, 1, 2, 3, 4}},    {Qt::Key_Down, {3, 4, 5, 6, 7, 7, 6, 7}},
        {Qt::Key_Home, {0, 0, 0, 0, 0, 0, 0, 0}}, {Qt::Key_End, {7, 7, 7, 7, 7, 7, 7, 7}},
    };
    grid->setFocus();
    for (const TMove& m : moves)
        for (int from = 0; from < 8; ++from) {
            grid->SetCurrentCell(from);
            QTest::keyClick(grid, Qt::Key(m.Key));
            EXPECT_EQ(grid->CurrentCell(), m.To[from]) << "key " << m.Key << " from " << from;
        }
    grid->SetCurrentCell(4);
    QTest::keyClick(grid, Qt::Key_Return);
    QTest::keyClick(grid, Qt::Key_Right);
    QTest::keyClick(grid, Qt::Key_Space);
    EXPECT_EQ(clicks, (std::vector<int>{40, 50}));
    EXPECT_TRUE(hovered.empty()) << "the keyboard moves no hover";
}

// The keyboard starts on the owner's selected cell; a shorter list keeps it inside.
TEST_F(ACGridFixture, TheFocusStartsOnTheSelectedCellAndStaysInTheList) {
    grid->OnCellLook = [](PColorCell cell) {
        TCellLook look;
        look.Selected = cell->Index == 5;
        return look;
    };
    window.setFocus();
    grid->SetCells(&cells);
    EXPECT_EQ(grid->CurrentCell(), -1);
    grid->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(grid->CurrentCell(), 5);
    TColorCellList fewer = Cells(3);
    grid->SetCells(&fewer);
    EXPECT_EQ(grid->CurrentCell(), 2);
}

// The marks are drawn in the label's ink, so in grey scale a framed or
// flagged cell differs from a plain one of the same colour wherever its
// colour is; the focus mark shows only while the grid has the focus.
TEST_F(ACGridFixture, MarksShowInGreyScaleOnEveryColour) {
    std::map<int, TCellLook> looks;
    grid->OnCellLook = [&looks](PColorCell cell) { return looks[cell->Index]; };
    TColorCellList same(3);
    for (const TWinColor color : {0x6060FFu, 0x0000FFu, 0xFF8000u, 0xFF0000u, 0x00FF00u, 0x008000u, 0x80FFFFu, 0x00FFFFu}) {
        for (int i = 0; i < 3; ++i) same[i] = {color, 0, "", i};
        looks = {{0, {}}, {1, {true, false, false, {}}}, {2, {false, true, false, {}}}};
        grid->SetCells(&same);
        QApplication::processEvents();
        const QImage shot = grid->viewport()->grab().toImage().convertToFormat(QImage::Format_Grayscale8);
        const auto grey = [&](int cell, QPoint offset) {
            const TCellColumns c = grid->Columns();
            return qGray(shot.pixel(c.Left(cell) + 1 + offset.x(), 1 + offset.y()));
        };
        const int width = grid->Columns().WidthOf(2);
        const int plain = grey(0, {1, 1});
        // The frame's inner line, and the flag's corner.
        EXPECT_GE(std::abs(grey(1, {1, 6}) - plain), 100) << std::hex << color;
        EXPECT_GE(std::abs(grey(2, {width - 3, 1}) - plain), 100) << std::hex << color;
        EXPECT_EQ(grey(0, {width - 3, 1}), plain) << std::hex << color;
    }
}

TEST_F(ACGridFixture, TheFocusMarkFollowsTheCurrentCellOnlyWithTheFocus) {
    grid->SetCells(&cells);
    grid->SetCurrentCell(1);
    window.setFocus();
    QApplication::processEvents();
    const QImage without = grid->viewport()->grab().toImage();
    grid->setFocus();
    QApplication::processEvents();
    const QImage with = grid->viewport()->grab().toImage();
    const TCellColumns c = grid->Columns();
    auto differs = [&](int cell) {
        for (int x = c.Left(cell) + 1; x < c.Left(cell) + c.WidthOf(cell); ++x)
            for (int y = 1; y < grid->CellHeight(); ++y)
                if (without.pixel(x, y) != with.pixel(x, y)) return true;
        return false;
    };
    EXPECT_TRUE(differs(1));
    EXPECT_FALSE(differs(0));
    EXPECT_FALSE(differs(2));
}

}  // namespace
}  // namespace pelko
