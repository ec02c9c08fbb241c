// Times full repaints of the card grid (10 against 100 000 rows) and of the
// device grid (1 against 254 cells) and prints the ratios. Painting should
// cost what is shown, not what is scrolled away.
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <functional>

#include "controls/ac_grid.h"
#include "controls/ys_grid.h"

namespace {

using pelko::TACGrid;
using pelko::TColorCellList;
using pelko::TWinColor;
using pelko::TYSGrid;

constexpr int kBatches = 7;
constexpr int kRounds = 60;

// Microseconds per full repaint of the widget's client area: the best of
// several batches, since the machine is shared.
double TimeRepaint(QWidget* client) {
    QImage image(client->size(), QImage::Format_ARGB32_Premultiplied);
    client->render(&image);  // warm up fonts and caches
    double best = 1e300;
    for (int batch = 0; batch < kBatches; ++batch) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kRounds; ++i)
            client->render(&image);
        best = std::min(best, timer.nsecsElapsed() / 1000.0 / kRounds);
    }
    return best;
}

// height: the grid's height in pixels (rows of 22 pixels with the test font).
double CardGridRepaint(int rows, int height) {
    TYSGrid grid;
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);
    grid.setFont(f);
    grid.resize(430, height);  // the columns fit beside a scroll bar
    grid.SetColCount(3);
    grid.SetColWidth(0, 50);
    grid.SetColWidth(1, 90);
    grid.SetColWidth(2, 250);
    grid.OnGetColumnName = [](int col, TWinColor& color, QString& data) {
        color = 0;
        data = QStringLiteral("Колонка %1").arg(col);
    };
    grid.OnGetCellData = [](int row, int col, TWinColor& color, QString& data) {
        color = row % 7 == 0 ? 0xFF0000 : 0;
        // The same texts at every row: only the number of rows differs.
        data = col == 0 ? QString::number(row % 1000) : col == 1 ? QStringLiteral("12AB34CD56")
                                                                 : QStringLiteral("Сидоренко У. (охрана, пост у главного входа)");
    };
    grid.SetRowCount(rows);
    grid.GoToRow(rows / 2);
    grid.show();
    QCoreApplication::processEvents();
    return TimeRepaint(grid.viewport());
}

double DeviceGridRepaint(int cells, int maxHeight) {
    QWidget parent;
    parent.resize(420, 600);
    auto* grid = new TACGrid(&parent);
    grid->setGeometry(0, 0, 420, 10);
    grid->SetCaption(QStringLiteral("Приборы"));
    grid->SetMinCellWidth(50);
    grid->SetMaxHeightConstraint(maxHeight);
    TColorCellList list;
    for (int i = 0; i < cells; ++i)
        list.push_back({0x00FFFFu, 0, " Прибор: " + std::to_string(i + 1) + " ", i});
    grid->SetCells(&list);
    parent.show();
    QCoreApplication::processEvents();
    return TimeRepaint(grid->viewport());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // A view of exactly ten rows below the header: both lists fill it.
    const int tenRows = 11 * 22 + 4;
    const double few = CardGridRepaint(10, tenRows), many = CardGridRepaint(100000, tenRows);
    std::printf("card grid, 10 rows shown:      10 rows %8.1f us, 100000 rows %8.1f us, ratio %.2f\n", few, many,
                many / few);
    const double tallFew = CardGridRepaint(10, 500), tallMany = CardGridRepaint(100000, 500);
    std::printf("card grid, 21 rows shown:      10 rows %8.1f us, 100000 rows %8.1f us, ratio %.2f"
                " (the short list fills half the view)\n",
                tallFew, tallMany, tallMany / tallFew);
    const double one = DeviceGridRepaint(1, 103), full = DeviceGridRepaint(32, 103), all = DeviceGridRepaint(254, 103);
    std::printf("device grid, 103 px high:      1 cell  %8.1f us, 254 cells   %8.1f us, ratio %.2f\n", one, all,
                all / one);
    std::printf("device grid, 103 px high:      32 cells (view full) %8.1f us, 254 cells %8.1f us, ratio %.2f\n",
                full, all, all / full);
    const double shownOne = DeviceGridRepaint(1, 0), shownAll = DeviceGridRepaint(254, 0);
    std::printf("device grid, every cell shown: 1 cell  %8.1f us, 254 cells   %8.1f us, ratio %.2f\n", shownOne,
                shownAll, shownAll / shownOne);
    return 0;
}
