#include "controls/ys_grid.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

#include "controls/hint_window.h"
#include "controls/text_out.h"

namespace pelko {

namespace {
constexpr int kHeaderTextX = 4;
constexpr int kCellTextX = 5;
constexpr int kHintMinColumn = 12;  // no hints over columns this narrow
}  // namespace

TYSGrid::TYSGrid(QWidget* parent) : TAbstractStringGrid(parent), Hint_(new THintWindow(this)) {
    Hint_->SetInputTarget(viewport());
    Hint_->OnPointerLeave = [this] {
        if (!PointerInClient())
            HideHint();
    };
}

TYSGrid::~TYSGrid() = default;

void TYSGrid::SetHotHint(bool on) {
    HotHint_ = on;
    if (!on)
        HideHint();
}

void TYSGrid::DrawHeaderCell(QPainter& painter, int col, const QRect& rect) {
    if (!OnGetColumnName)
        return;
    TWinColor color = 0;
    QString data;
    OnGetColumnName(col, color, data);
    const int x = rect.left() + kHeaderTextX;
    const int top = (FontHeightValue(font()) + RowHeight()) / 2 - 2;
    painter.setFont(font());
    painter.setPen(FromWinColor(color));
    // The two right pixels belong to the cell's edge lines.
    TextOut(painter, x, top, ShortenText(data, painter.fontMetrics(), rect.right() - 1 - x));
}

void TYSGrid::DrawCell(QPainter& painter, int row, int col, const QRect& rect) {
    painter.fillRect(rect, SystemColors(palette()).Window);
    if (!OnGetCellData)
        return;
    TWinColor color = 0;
    QString data;
    OnGetCellData(row, col, color, data);
    const int x = rect.left() + kCellTextX;
    const int rowTop = RowHeight() + (row - TopRow()) * RowHeight();
    const int top = rowTop + (FontHeightValue(font()) + RowHeight()) / 2 - 2;
    painter.setFont(font());
    painter.setPen(FromWinColor(color));
    TextOut(painter, x, top, ShortenText(data, painter.fontMetrics(), rect.right() + 1 - x));
}

int TYSGrid::ColAt(int x, int* left) const {
    int l = 0;
    for (int col = LeftCol(); col < ColCount() && l < ClientWidth(); ++col) {
        const int r = l + GetColWidth(col);
        if (x >= l && x < r) {
            *left = l;
            return col;
        }
        l = r;
    }
    return -1;
}

void TYSGrid::mouseMoveEvent(QMouseEvent* event) {
    TAbstractStringGrid::mouseMoveEvent(event);
    if (HotHint_)
        UpdateHint(event->position().toPoint());
}

void TYSGrid::UpdateHint(const QPoint& pos) {
    int left = 0;
    // Moves handed on by the hint may lie beyond the client area.
    const int row = viewport()->rect().contains(pos) ? RowAt(pos.y()) : -1;
    const int col = row >= 0 ? ColAt(pos.x(), &left) : -1;
    if (col < 0 || GetColWidth(col) <= kHintMinColumn || !OnGetCellData) {
        HideHint();
        return;
    }
    TWinColor color = 0;
    QString data;
    OnGetCellData(row, col, color, data);
    const int textWidth = QFontMetrics(font()).horizontalAdvance(data);
    if (GetColWidth(col) >= textWidth + kHintMinColumn) {
        HideHint();
        return;
    }
    const int cell = row * ColCount() + col;
    if (cell == HintCell_ && Hint_->isVisible())
        return;
    HintCell_ = cell;
    const int rowTop = RowHeight() + (row - TopRow()) * RowHeight();
    const QRect local(QPoint(left, rowTop + 2), QPoint(left + textWidth + 5, rowTop + RowHeight() - 5));
    Hint_->ShowAt(QRect(viewport()->mapToGlobal(local.topLeft()), local.size()), data);
}

void TYSGrid::HideHint() {
    HintCell_ = -1;
    Hint_->hide();
}

bool TYSGrid::PointerInClient() const {
    return viewport()->rect().contains(viewport()->mapFromGlobal(QCursor::pos()));
}

void TYSGrid::ClientLeave() {
    // A hint that opened under the pointer may take it from the grid; the
    // pointer has not left, and hiding the hint would only make it flicker.
    if (Hint_->isVisible() && Hint_->geometry().contains(QCursor::pos()) && PointerInClient())
        return;
    TAbstractStringGrid::ClientLeave();
    HideHint();
}

void TYSGrid::hideEvent(QHideEvent* event) {
    HideHint();
    TAbstractStringGrid::hideEvent(event);
}

}  // namespace pelko
