#include "controls/column_rows_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWheelEvent>
#include <algorithm>

#include "controls/header_cell.h"
#include "controls/text_out.h"
#include "controls/win_color.h"

namespace pelko {

namespace {
constexpr int kDefaultColWidth = 60;
constexpr int kBorderGrip = 4;    // pixels either side of a column border
constexpr int kSizingMargin = 5;  // the pointer keeps this far from the band's ends
constexpr int kWheelNotch = 120;
}  // namespace

TColumnRowsView::TColumnRowsView(QWidget* parent, int pressInset)
    : TScrolledControl(parent), PressInset_(pressInset) {
    RowHeight_ = RowHeightForFont(font());
}

void TColumnRowsView::SetColumns(int n) {
    if (n <= 0)
        return;
    ColCount_ = n;
    ColWidths_.resize(n, kDefaultColWidth);
    if (PressedCol_ >= n)
        PressedCol_ = -1;
    UpdateScrollBars();
    viewport()->update();
}

void TColumnRowsView::SetColWidth(int index, int width) {
    if (index < 0 || index >= ColCount_)
        return;
    ColWidths_[index] = width;
    UpdateScrollBars();
    viewport()->update();
}

int TColumnRowsView::GetColWidth(int index) const {
    return index >= 0 && index < ColCount_ ? ColWidths_[index] : 0;
}

void TColumnRowsView::SetRows(int n) {
    TopRow_ = std::min(TopRow_, n);
    RowCount_ = n;
    UpdateScrollBars();
    viewport()->update();
}

int TColumnRowsView::VisibleRows() const {
    return std::max(0, (ClientHeight() - RowHeight_) / RowHeight_);
}

int TColumnRowsView::RowAt(int y) const {
    if (y < RowHeight_)
        return -1;
    const int row = TopRow_ + (y - RowHeight_) / RowHeight_;
    return row < RowCount_ ? row : -1;
}

int TColumnRowsView::ColLeft(int col) const {
    int x = 0;
    for (int c = LeftCol_; c < col; ++c)
        x += ColWidths_[c];
    for (int c = col; c < LeftCol_; ++c)
        x -= ColWidths_[c];
    return x;
}

int TColumnRowsView::ColumnsRight() const {
    int right = 0;
    for (int col = LeftCol_; col < ColCount_ && right < ClientWidth(); ++col)
        right += ColWidths_[col];
    return right;
}

void TColumnRowsView::ScrollToRow(int row) {
    // A view too low for one whole row shows the row at the top.
    const int visible = std::max(1, VisibleRows());
    if (row < TopRow_)
        TopRow_ = row;
    else if (row >= TopRow_ + visible)
        TopRow_ = row - visible + 1;
    UpdateScrollBars();
}

int TColumnRowsView::HorzMaxFor(int clientWidth) const {
    // The column after the first one, counted from the right, that no longer fits.
    int sum = 0;
    for (int col = ColCount_ - 1; col >= 0; --col) {
        sum += ColWidths_[col];
        if (sum > clientWidth)
            return col + 1;
    }
    return 0;
}

int TColumnRowsView::VertMaxFor(int clientHeight) const {
    return std::max(0, RowCount_ - (clientHeight - RowHeight_) / RowHeight_);
}

void TColumnRowsView::UpdateScrollBars() {
    if (InUpdateBars_)
        return;
    InUpdateBars_ = true;
    FitScrollBars([this](QSize c) { return HorzMaxFor(c.width()); },
                  [this](QSize c) { return VertMaxFor(c.height()); });
    const QSize client = ClientSize();
    HorzMax_ = HorzMaxFor(client.width());
    LeftCol_ = std::clamp(LeftCol_, 0, HorzMax_);
    SetBar(Qt::Horizontal, HorzMax_, LeftCol_, 1);
    VertMax_ = VertMaxFor(client.height());
    TopRow_ = std::clamp(TopRow_, 0, VertMax_);
    SetBar(Qt::Vertical, VertMax_, TopRow_, VisibleRows());
    InUpdateBars_ = false;
}

void TColumnRowsView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    PaintHeader(painter);
    PaintRows(painter);
    PaintRowFrame(painter);
}

void TColumnRowsView::PaintHeader(QPainter& painter) {
    const TSystemColors colors = SystemColors(palette());
    const int clientWidth = ClientWidth();
    int x = 0;
    for (int col = LeftCol_; col < ColCount_ && x < clientWidth; ++col) {
        const QRect cell(x, 0, ColWidths_[col], RowHeight_);
        const QRect inner = PaintRaisedCell(painter, cell, col == PressedCol_, colors);
        painter.save();
        painter.setClipRect(inner);
        DrawHeaderCell(painter, col, cell);
        painter.restore();
        x += ColWidths_[col];
    }
    if (x < clientWidth)
        painter.fillRect(QRect(x, 0, clientWidth - x, RowHeight_), colors.Window);
}

void TColumnRowsView::PaintRows(QPainter& painter) {
    const QColor window = SystemColors(palette()).Window;
    const QRect client(QPoint(0, 0), ClientSize());
    int y = RowHeight_;
    for (int row = TopRow_; row < RowCount_ && y < client.height(); ++row, y += RowHeight_) {
        int x = 0;
        for (int col = LeftCol_; col < ColCount_ && x < client.width(); ++col) {
            const QRect cell = QRect(x, y, ColWidths_[col], RowHeight_) & client;
            painter.save();
            painter.setClipRect(cell);
            DrawCell(painter, row, col, cell);
            painter.restore();
            x += ColWidths_[col];
        }
        if (x < client.width())
            painter.fillRect(QRect(x, y, client.width() - x, RowHeight_), window);
    }
    if (y < client.height())
        painter.fillRect(QRect(0, y, client.width(), client.height() - y), window);
}

void TColumnRowsView::PaintRowFrame(QPainter& painter) {
    if (CurRow_ < TopRow_ || CurRow_ >= RowCount_)
        return;
    const int top = RowHeight_ + (CurRow_ - TopRow_) * RowHeight_;
    const int right = ColumnsRight() - 1;
    if (top >= ClientHeight() || right < 1)
        return;  // no row or no column shown
    const int bottom = top + RowHeight_ - 2;
    painter.setPen(Qt::black);
    painter.drawLine(1, top + 1, right, top + 1);
    painter.drawLine(1, bottom, right, bottom);
    painter.drawLine(right, top + 1, right, bottom);
    if (LeftCol_ == 0)
        painter.drawLine(1, top + 1, 1, bottom);
    // The keyboard's place: the style's focus mark inside the frame.
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
        option.rect = QRect(QPoint(LeftCol_ == 0 ? 3 : 0, top + 3), QPoint(right - 2, bottom - 2));
        option.backgroundColor = SystemColors(palette()).Window;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

int TColumnRowsView::BorderColAt(int x) const {
    int left = 0;
    for (int col = LeftCol_; col < ColCount_ && left < ClientWidth(); ++col) {
        const int border = left + ColWidths_[col];
        if (std::abs(x - border) <= kBorderGrip)
            return col;
        left = border;
    }
    return -1;
}

void TColumnRowsView::HeaderButtonDown(int x) {
    const int border = BorderColAt(x);
    if (border >= 0) {
        SizingCol_ = border;
        const int lo = std::max(kSizingMargin, ColLeft(border) + kSizingMargin);
        const int end = border == ColCount_ - 1
                            ? ClientWidth()
                            : std::min(ColLeft(border + 1) + ColWidths_[border + 1], ClientWidth());
        Confine_.Confine(viewport(), QRect(QPoint(lo, 0), QPoint(std::max(lo, end - kSizingMargin), RowHeight_ - 1)));
        viewport()->setCursor(Qt::SplitHCursor);
        return;
    }
    int left = 0;
    for (int col = LeftCol_; col < ColCount_ && left < ClientWidth(); ++col) {
        const int right = left + ColWidths_[col];
        // Near the right border x has already started sizing.
        if (x >= left + PressInset_ && x < right) {
            PressedCol_ = col;
            viewport()->update(QRect(0, 0, ClientWidth(), RowHeight_));
            return;
        }
        left = right;
    }
}

std::optional<int> TColumnRowsView::KeyTargetRow(int key) const {
    const int page = VisibleRows();
    switch (key) {
    case Qt::Key_Up: return CurRow_ - 1;
    case Qt::Key_Down: return CurRow_ + 1;
    case Qt::Key_PageUp: return CurRow_ - page;
    case Qt::Key_PageDown: return CurRow_ + page;
    case Qt::Key_Home: return 0;
    case Qt::Key_End: return RowCount_ - 1;
    default: return std::nullopt;
    }
}

int TColumnRowsView::WheelNotches(const QWheelEvent* event) {
    WheelAccum_ += event->angleDelta().y();
    const int notches = WheelAccum_ / kWheelNotch;
    WheelAccum_ -= notches * kWheelNotch;
    return notches;
}

void TColumnRowsView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (PressedCol_ >= 0) {
        PressedCol_ = -1;
        viewport()->update(QRect(0, 0, ClientWidth(), RowHeight_));
    }
    if (SizingCol_ >= 0) {
        const int x = Confine_.Clamp(event->position().toPoint()).x();
        const int col = SizingCol_;
        const int left = ColLeft(col);
        SizingCol_ = -1;
        Confine_.Release();
        if (x > left + kBorderGrip)
            SetColWidth(col, x - left);
        if (BorderColAt(x) < 0)
            viewport()->unsetCursor();
    }
}

void TColumnRowsView::mouseMoveEvent(QMouseEvent* event) {
    // The release can be lost (a message box took the mouse mid-drag): a move
    // without the button ends what the press began, before the pointer is
    // pulled back into the header band. Where the user let go is unknown, so
    // the column keeps its width.
    if (!(event->buttons() & Qt::LeftButton)) {
        if (SizingCol_ >= 0) {
            SizingCol_ = -1;
            Confine_.Release();
        }
        if (PressedCol_ >= 0) {
            PressedCol_ = -1;
            viewport()->update(QRect(0, 0, ClientWidth(), RowHeight_));
        }
    }
    const QPoint pos = Confine_.Clamp(event->position().toPoint());
    if (SizingCol_ >= 0 || (pos.y() < RowHeight_ && BorderColAt(pos.x()) >= 0))
        viewport()->setCursor(Qt::SplitHCursor);
    else
        viewport()->unsetCursor();
}

void TColumnRowsView::ClientLeave() {
    if (SizingCol_ < 0)
        viewport()->unsetCursor();
}

void TColumnRowsView::ScrollBarMoved(Qt::Orientation orientation, int pos) {
    if (orientation == Qt::Horizontal)
        LeftCol_ = pos;
    else
        TopRow_ = pos;
    viewport()->update();
}

void TColumnRowsView::focusInEvent(QFocusEvent* event) {
    TScrolledControl::focusInEvent(event);
    viewport()->update();
}

void TColumnRowsView::focusOutEvent(QFocusEvent* event) {
    TScrolledControl::focusOutEvent(event);
    viewport()->update();
}

void TColumnRowsView::resizeEvent(QResizeEvent*) {
    UpdateScrollBars();
}

void TColumnRowsView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        RowHeight_ = RowHeightForFont(font());
        UpdateScrollBars();
        viewport()->update();
    }
    TScrolledControl::changeEvent(event);
}

}  // namespace pelko
