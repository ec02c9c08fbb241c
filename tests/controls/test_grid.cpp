// The card grid: layout arithmetic, the deferred row-change event, keys and
// mouse, column sizing and what ends up on screen.
#include <gtest/gtest.h>

#include <QCursor>
#include <QFontMetrics>
#include <QLabel>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>

#include "controls/text_out.h"
#include "controls/win_color.h"
#include "controls/ys_grid.h"
#include "controls_test_util.h"

namespace pelko {
namespace {

using test::Flush;

constexpr int kRowHeight = 22;

struct GridFixture : ::testing::Test {
    void SetUp() override {
        grid.setFont(test::TestFont());
        grid.SetColCount(3);
        grid.SetColWidth(0, 50);
        grid.SetColWidth(1, 70);
        grid.SetColWidth(2, 200);
        grid.SetWheelSelected(false);
        grid.OnChangeRow = [this] { changes.push_back(grid.Row()); };
        grid.OnChoiseRow = [this] { ++choices; };
        grid.OnGetColumnName = [](int col, TWinColor& color, QString& data) {
            color = 0;
            data = QStringLiteral("Колонка %1").arg(col);
        };
        grid.OnGetCellData = [this](int row, int col, TWinColor& color, QString& data) {
            color = row == markedRow ? 0xFF0000 : 0;
            data = col == 1 ? longText : QString::number(row);
        };
        grid.resize(324 + 20, 4 + 10 * kRowHeight);
        test::ShowActive(&grid);
    }
    QPoint RowPoint(int row, int x = 20) const {
        return QPoint(x, kRowHeight + (row - grid.TopRow()) * kRowHeight + kRowHeight / 2);
    }
    void Click(QPoint at) { QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, at); }

    TYSGrid grid;
    std::vector<int> changes;
    int choices = 0;
    int markedRow = -1;
    QString longText = QStringLiteral("12AB34CD56");
};

TEST_F(GridFixture, RowHeightFollowsTheFont) {
    EXPECT_EQ(grid.RowHeight(), kRowHeight);
    QFont big = test::TestFont();
    big.setPixelSize(15);
    grid.setFont(big);
    EXPECT_EQ(grid.RowHeight(), 26);
}

TEST_F(GridFixture, HorizontalMaximumIsTheColumnAfterTheFirstThatOverflows) {
    // Widths 50, 70, 200 summed from the right: 200, 270, 320.
    const struct { int client; int max; } cases[] = {{330, 0}, {320, 0}, {300, 1}, {250, 2}, {150, 3}};
    for (const auto& c : cases) {
        grid.resize(c.client + 4, grid.height());
        ASSERT_EQ(grid.ClientWidth(), c.client);
        EXPECT_EQ(grid.HorzMax(), c.max) << "client width " << c.client;
    }
}

TEST_F(GridFixture, ColumnsAddedAgainStartAtTheDefaultWidth) {
    grid.SetColCount(1);
    EXPECT_EQ(grid.GetColWidth(0), 50);
    EXPECT_EQ(grid.GetColWidth(1), 0) << "beyond the columns";
    grid.SetColCount(3);
    EXPECT_EQ(grid.GetColWidth(0), 50);
    EXPECT_EQ(grid.GetColWidth(1), 60);
    EXPECT_EQ(grid.GetColWidth(2), 60);
    grid.SetColCount(0);
    EXPECT_EQ(grid.ColCount(), 3);
}

TEST_F(GridFixture, VerticalMaximumLeavesTheLastRowAtTheBottom) {
    grid.SetRowCount(100);
    const int visible = (grid.ClientHeight() - kRowHeight) / kRowHeight;
    EXPECT_EQ(grid.VertMax(), 100 - visible);
    grid.SetRowCount(3);
    EXPECT_EQ(grid.VertMax(), 0);
    EXPECT_FALSE(grid.verticalScrollBar()->isVisible());
}

TEST_F(GridFixture, GoToRowScrollsJustEnough) {
    grid.SetRowCount(100);
    const int fit = grid.ClientHeight() / kRowHeight;
    grid.GoToRow(50);
    EXPECT_EQ(grid.TopRow(), 50 - fit + 2);
    EXPECT_EQ(grid.Row(), 50);
    grid.GoToRow(50 - fit + 3);  // already visible: no scrolling
    EXPECT_EQ(grid.TopRow(), 50 - fit + 2);
    grid.GoToRow(10);
    EXPECT_EQ(grid.TopRow(), 10);
    grid.GoToRow(100);  // out of range: ignored
    EXPECT_EQ(grid.Row(), 10);
}

TEST_F(GridFixture, ChangeRowIsAnnouncedOnceAndAfterTheCall) {
    grid.SetRowCount(5);  // the first rows put the current row on the last
    EXPECT_EQ(grid.Row(), 4);
    grid.GoToRow(3);
    grid.GoToRow(4);
    EXPECT_TRUE(changes.empty()) << "announced inside the call";
    Flush();
    EXPECT_EQ(changes, std::vector<int>{4}) << "pending announcements are delivered once";

    changes.clear();
    grid.SetRowCount(8);  // raising the count keeps the row
    Flush();
    EXPECT_EQ(grid.Row(), 4);
    EXPECT_TRUE(changes.empty());

    grid.SetRowCount(3);
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_TRUE(changes.empty());
    Flush();
    EXPECT_EQ(changes, std::vector<int>{2});
}

TEST_F(GridFixture, WheelSelectedMovesTheRowToTheLastOnEveryCount) {
    grid.SetWheelSelected(true);
    grid.SetRowCount(5);
    grid.GoToRow(1);
    grid.SetRowCount(9);
    EXPECT_EQ(grid.Row(), 8);
    grid.SetRowCount(0);
    EXPECT_EQ(grid.Row(), -1);
}

TEST_F(GridFixture, ClicksSelectRowsAndRepeatAnnounces) {
    grid.SetRowCount(5);
    Flush();
    changes.clear();
    int downs = 0;
    grid.OnMouseDown = [&](QMouseEvent*) { EXPECT_EQ(grid.Row(), 2) << "the owner sees the row already moved"; ++downs; };
    Click(RowPoint(2));
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_EQ(downs, 1);
    grid.OnMouseDown = nullptr;
    EXPECT_TRUE(changes.empty());
    Flush();
    Click(RowPoint(2));
    Flush();
    EXPECT_EQ(changes, (std::vector<int>{2, 2}));

    changes.clear();
    Click(RowPoint(7));            // below the last row
    Click(QPoint(0, RowPoint(1).y()));  // left of the rows
    Flush();
    EXPECT_EQ(grid.Row(), 2);
    EXPECT_TRUE(changes.empty());

    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, Qt::NoModifier, RowPoint(3));
    EXPECT_EQ(grid.Row(), 3);
    EXPECT_EQ(choices, 1);
}

TEST_F(GridFixture, KeysMoveTheRowBeforeTheOwnerSeesThem) {
    grid.SetRowCount(100);
    const int page = (grid.ClientHeight() - kRowHeight) / kRowHeight;
    std::vector<int> seen;
    grid.OnKeyDown = [&](QKeyEvent*) { seen.push_back(grid.Row()); };
    grid.GoToRow(10);
    const struct { Qt::Key key; int row; } steps[] = {
        {Qt::Key_Down, 11}, {Qt::Key_Up, 10}, {Qt::Key_PageDown, 10 + page}, {Qt::Key_PageUp, 10},
        {Qt::Key_End, 99},  {Qt::Key_Down, 99}, {Qt::Key_Home, 0},       {Qt::Key_Up, 0},
    };
    for (const auto& step : steps) {
        QTest::keyClick(&grid, step.key);
        EXPECT_EQ(grid.Row(), step.row) << "key " << step.key;
        EXPECT_EQ(seen.back(), step.row);
    }
    EXPECT_EQ(grid.TopRow(), 0);
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(choices, 1);
}

TEST_F(GridFixture, WheelStepsOneRowWithinTheList) {
    grid.SetRowCount(3);
    grid.GoToRow(1);
    test::Wheel(grid.viewport(), RowPoint(0), false);
    EXPECT_EQ(grid.Row(), 2);
    test::Wheel(grid.viewport(), RowPoint(0), false);
    EXPECT_EQ(grid.Row(), 2);
    test::Wheel(grid.viewport(), RowPoint(0), true);
    test::Wheel(grid.viewport(), RowPoint(0), true);
    test::Wheel(grid.viewport(), RowPoint(0), true);
    EXPECT_EQ(grid.Row(), 0);
}

TEST_F(GridFixture, DraggingABorderWidensOnlyThatColumnWithinItsBand) {
    QWidget* vp = grid.viewport();
    const int y = kRowHeight / 2;
    // Right border of column 0 at x = 50; the band ends 5 pixels inside column 1 (right edge 120).
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(52, y));
    EXPECT_EQ(grid.SizingCol(), 0);
    QTest::mouseMove(vp, QPoint(300, y));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(300, y));
    EXPECT_EQ(grid.GetColWidth(0), 115);
    EXPECT_EQ(grid.GetColWidth(1), 70);
    EXPECT_EQ(grid.GetColWidth(2), 200);
    EXPECT_EQ(grid.SizingCol(), -1);

    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(116, y));
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(2, y));
    EXPECT_EQ(grid.GetColWidth(0), 5);

    // Inside a column the header cell is held down until the button is released.
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(40, y));
    EXPECT_EQ(grid.PressedCol(), 1);
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(40, y));
    EXPECT_EQ(grid.PressedCol(), -1);
}

TEST_F(GridFixture, EmptyGridPaintsHeaderAndWindow) {
    const QImage image = test::Render(grid.viewport());
    const QColor window = SystemColors(grid.palette()).Window;
    EXPECT_EQ(grid.Row(), -1);
    EXPECT_TRUE(test::SameColor(image, QPoint(25, kRowHeight - 1), Qt::black));  // header bottom line
    EXPECT_TRUE(test::SameColor(image, QPoint(3, kRowHeight + 3), window));
    EXPECT_TRUE(test::SameColor(image, QPoint(330, 5), window));  // right of the last column
}

TEST_F(GridFixture, CurrentRowCarriesABlackFrame) {
    grid.SetRowCount(5);
    grid.GoToRow(2);
    const QImage image = test::Render(grid.viewport());
    const int top = kRowHeight + 2 * kRowHeight;
    const QColor window = SystemColors(grid.palette()).Window;
    for (QPoint p : {QPoint(1, top + 5), QPoint(40, top + 1), QPoint(40, top + kRowHeight - 2), QPoint(319, top + 5)})
        EXPECT_TRUE(test::SameColor(image, p, Qt::black)) << p.x() << "," << p.y();
    EXPECT_TRUE(test::SameColor(image, QPoint(1, top - kRowHeight + 5), window));  // row 1 has none
}

// While the grid has the focus, the style's focus mark lies inside the
// current row's frame; nothing else changes.
TEST_F(GridFixture, TheFocusMarkLiesInTheCurrentRowOnly) {
    grid.SetRowCount(5);
    grid.GoToRow(2);
    grid.setFocus();
    const QImage focused = test::Render(grid.viewport());
    grid.clearFocus();
    const QImage plain = test::Render(grid.viewport());
    const int top = kRowHeight + 2 * kRowHeight;
    bool inRow = false;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            if (focused.pixel(x, y) == plain.pixel(x, y)) continue;
            ASSERT_TRUE(y > top + 1 && y < top + kRowHeight - 2) << x << "," << y;
            inRow = true;
        }
    EXPECT_TRUE(inRow);
}

TEST_F(GridFixture, ClippedTextNeverReachesTheNextColumn) {
    longText = QString(60, QLatin1Char('W'));
    markedRow = 0;
    grid.SetRowCount(2);
    grid.clearFocus();  // the focus mark lies inside the current row
    const QImage image = test::Render(grid.viewport());
    const QColor window = SystemColors(grid.palette()).Window;
    const int col2 = 120;
    for (int row = 0; row < 2; ++row)
        for (int y = 0; y < kRowHeight - 4; ++y)
            for (int x = col2; x < col2 + 5; ++x)
                ASSERT_TRUE(test::SameColor(image, QPoint(x, kRowHeight * (row + 1) + 2 + y), window))
                    << "ink at " << x << " in row " << row;
    // The marked row is written in blue.
    bool blue = false;
    for (int x = 55; x < 115 && !blue; ++x)
        for (int y = kRowHeight; y < 2 * kRowHeight && !blue; ++y)
            blue = image.pixelColor(x, y).blue() > 150 && image.pixelColor(x, y).red() < 100;
    EXPECT_TRUE(blue);
}

TEST_F(GridFixture, HotHintShowsOnlyOverClippedCells) {
    grid.SetHotHint(true);
    longText = QString(40, QLatin1Char('W'));
    grid.SetRowCount(3);
    QTest::mouseMove(grid.viewport(), RowPoint(1, 80));  // column 1: clipped
    EXPECT_EQ(grid.HintCell(), 1 * 3 + 1);
    QTest::mouseMove(grid.viewport(), RowPoint(1, 20));  // column 0: the row number fits
    EXPECT_EQ(grid.HintCell(), -1);
    QTest::mouseMove(grid.viewport(), RowPoint(2, 80));
    EXPECT_EQ(grid.HintCell(), 2 * 3 + 1);
    QCursor::setPos(grid.mapToGlobal(QPoint(-40, -40)));
    test::Leave(grid.viewport());
    EXPECT_EQ(grid.HintCell(), -1);
}

TEST_F(GridFixture, HotHintUnderThePointerStaysUntilThePointerLeaves) {
    grid.SetHotHint(true);
    longText = QString(40, QLatin1Char('W'));
    grid.SetRowCount(3);
    QWidget* vp = grid.viewport();
    QTest::mouseMove(vp, RowPoint(1, 80));
    auto* hint = grid.findChild<QLabel*>();
    ASSERT_TRUE(hint && hint->isVisible() && hint->geometry().contains(QCursor::pos()));
    test::Leave(vp);  // the hint took the pointer, the grid is told it left
    EXPECT_EQ(grid.HintCell(), 1 * 3 + 1);
    QTest::mouseMove(vp, RowPoint(2, 80));
    QCursor::setPos(grid.mapToGlobal(QPoint(-40, -40)));
    QEvent leave(QEvent::Leave);  // out of the grid over the hint
    QCoreApplication::sendEvent(hint, &leave);
    EXPECT_FALSE(hint->isVisible());
}

TEST_F(GridFixture, MoveWithoutTheButtonEndsSizing) {
    QWidget* vp = grid.viewport();
    QTest::mousePress(vp, Qt::LeftButton, Qt::NoModifier, QPoint(52, 5));
    ASSERT_EQ(grid.SizingCol(), 0);
    // The release went to a message box.
    const QPoint cursor = QCursor::pos();
    QMouseEvent move(QEvent::MouseMove, QPointF(200, 150), vp->mapToGlobal(QPointF(200, 150)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(vp, &move);
    EXPECT_EQ(grid.SizingCol(), -1);
    EXPECT_EQ(QCursor::pos(), cursor) << "the pointer is not pulled back into the header";
    QTest::mouseRelease(vp, Qt::LeftButton, Qt::NoModifier, QPoint(300, 5));
}

TEST(ShortenText, KeepsTheLongestPrefixThatFitsWithDots) {
    const QFontMetrics metrics(test::TestFont());
    const QString text = QStringLiteral("Сидоренко У. (охрана, пост у главного входа)");
    EXPECT_EQ(ShortenText(text, metrics, metrics.horizontalAdvance(text)), text);
    for (int width : {10, 40, 120, 200}) {
        const QString cut = ShortenText(text, metrics, width);
        ASSERT_TRUE(cut.endsWith(QStringLiteral("..."))) << width;
        const QString kept = cut.chopped(3);
        EXPECT_TRUE(text.startsWith(kept));
        EXPECT_TRUE(kept.isEmpty() || metrics.horizontalAdvance(cut) <= width) << width;
        EXPECT_GT(metrics.horizontalAdvance(text.left(kept.size() + 1) + QStringLiteral("...")), width) << width;
    }
}

}  // namespace
}  // namespace pelko
