#include "controls/abstract_string_grid.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

#include "controls/header_cell.h"
#include "controls/text_out.h"
#include "controls/win_color.h"

namespace pelko {

namespace {
constexpr int kDefaultColWidth = 60;
constexpr int kBorderGrip = 4;     // pixels either side of a column border
constexpr int kSizingMargin = 5;   // the pointer keeps this far from the band's ends
constexpr int kWheelNotch = 120;
}  // namespace

TAbstractStringGrid::TAbstractStringGrid(QWidget* parent) : TScrolledControl(parent) {
    RowHeight_ = RowHeightForFont(font());
}

void TAbstractStringGrid::SetColCount(int n) {
    if (n <= 0)
        return;
    ColCount_ = n;
    if (static_cast<int>(ColWidths_.size()) < n)
        ColWidths_.resize(n, kDefaultColWidth);
    if (PressedCol_ >= n)
        PressedCol_ = -1;
    UpdateScrollBars();
    viewport()->update();
}

void TAbstractStringGrid::SetRowCount(int n) {
    if (n < 0)
        return;
    if (TopRow_ > n)
        TopRow_ = n;
    RowCount_ = n;
    if (CurRow_ < 0 || CurRow_ >= n || WheelSelected_) {
        CurRow_ = n - 1;
        AnnounceChangeRow();
    }
    UpdateScrollBars();
    viewport()->update();
}

void TAbstractStringGrid::SetColWidth(int index, int width) {
    if (index < 0 || index >= ColCount_)
        return;
    ColWidths_[index] = width;
    UpdateScrollBars();
    viewport()->update();
}

int TAbstractStringGrid::GetColWidth(int index) const {
    return index >= 0 && index < ColCount_ ? ColWidths_[index] : 0;
}

int TAbstractStringGrid::VisibleRows() const {
    return std::max(0, (ClientHeight() - RowHeight_) / RowHeight_);
}

int TAbstractStringGrid::RowAt(int y) const {
    if (y < RowHeight_)
        return -1;
    const int row = TopRow_ + (y - RowHeight_) / RowHeight_;
    return row < RowCount_ ? row : -1;
}

int TAbstractStringGrid::ColLeft(int col) const {
    int x = 0;
    for (int c = LeftCol_; c < col; ++c)
        x += ColWidths_[c];
    for (int c = col; c < LeftCol_; ++c)
        x -= ColWidths_[c];
    return x;
}

void TAbstractStringGrid::GoToRow(int row) {
    if (row < 0 || row >= RowCount_)
        return;
    ScrollToRow(row);
    if (row != CurRow_) {
        CurRow_ = row;
        AnnounceChangeRow();
    }
    UpdateScrollBars();
    viewport()->update();
}

void TAbstractStringGrid::ScrollToRow(int row) {
    const int fit = ClientHeight() / RowHeight_;
    if (row < TopRow_)
        TopRow_ = row;
    else if (row > TopRow_ + fit - 2)
        TopRow_ = std::min(row, row - fit + 2);
}

void TAbstractStringGrid::AnnounceChangeRow() {
    if (ChangeRowPosted_)
        return;
    ChangeRowPosted_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            ChangeRowPosted_ = false;
            if (OnChangeRow)
                OnChangeRow();
        },
        Qt::QueuedConnection);
}

int TAbstractStringGrid::HorzMaxFor(int clientWidth) const {
    int sum = 0;
    for (int col = ColCount_ - 1; col >= 0; --col) {
        sum += ColWidths_[col];
        if (sum > clientWidth)
            return col + 1;
    }
    return 0;
}

int TAbstractStringGrid::VertMaxFor(int clientHeight) const {
    return std::max(0, RowCount_ - (clientHeight - RowHeight_) / RowHeight_);
}

void TAbstractStringGrid::UpdateScrollBars() {
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

void TAbstractStringGrid::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    PaintHeader(painter);
    PaintRows(painter);
    PaintRowFrame(painter);
}

void TAbstractStringGrid::PaintHeader(QPainter& painter) {
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

void TAbstractStringGrid::PaintRows(QPainter& painter) {
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

void TAbstractStringGrid::PaintRowFrame(QPainter& painter) {
    if (CurRow_ < TopRow_ || CurRow_ >= RowCount_)
        return;
    const int top = RowHeight_ + (CurRow_ - TopRow_) * RowHeight_;
    if (top >= ClientHeight())
        return;
    int right = 0;
    for (int col = LeftCol_; col < ColCount_ && right < ClientWidth(); ++col)
        right += ColWidths_[col];
    right -= 1;
    const int bottom = top + RowHeight_ - 2;
    painter.setPen(Qt::black);
    painter.drawLine(1, top + 1, right, top + 1);
    painter.drawLine(1, bottom, right, bottom);
    painter.drawLine(right, top + 1, right, bottom);
    if (LeftCol_ == 0)
        painter.drawLine(1, top + 1, 1, bottom);
}

int TAbstractStringGrid::BorderColAt(int x) const {
    int left = 0;
    for (int col = LeftCol_; col < ColCount_ && left < ClientWidth(); ++col) {
        const int border = left + ColWidths_[col];
        if (std::abs(x - border) <= kBorderGrip)
            return col;
        left = border;
    }
    return -1;
}

void TAbstractStringGrid::HeaderButtonDown(int x) {
    const int border = BorderColAt(x);
    if (border >= 0) {
        SizingCol_ = border;
        const int left = ColLeft(border);
        const int lo = std::max(kSizingMargin, left + kSizingMargin);
        const int hi = border == ColCount_ - 1
                           ? ClientWidth() - kSizingMargin
                           : std::min(ColLeft(border + 1) + ColWidths_[border + 1], ClientWidth()) - kSizingMargin;
        Confine_.Confine(viewport(), QRect(QPoint(lo, 0), QPoint(std::max(lo, hi), RowHeight_ - 1)));
        viewport()->setCursor(Qt::SplitHCursor);
        return;
    }
    int left = 0;
    for (int col = LeftCol_; col < ColCount_ && left < ClientWidth(); ++col) {
        const int right = left + ColWidths_[col];
        if (x > left + kBorderGrip && x < right - kBorderGrip) {
            PressedCol_ = col;
            viewport()->update(QRect(0, 0, ClientWidth(), RowHeight_));
            return;
        }
        left = right;
    }
}

void TAbstractStringGrid::LeftButtonDown(const QPoint& pos) {
    setFocus(Qt::MouseFocusReason);
    if (pos.y() > 0 && pos.y() < RowHeight_) {
        HeaderButtonDown(pos.x());
        return;
    }
    if (pos.x() < 1 || pos.x() >= ClientWidth())
        return;
    const int row = RowAt(pos.y());
    if (row < 0)
        return;
    const bool again = row == CurRow_;
    MoveRowTo(row);
    if (again)
        AnnounceChangeRow();
}

void TAbstractStringGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        LeftButtonDown(event->position().toPoint());
    event->accept();
    if (OnMouseDown)
        OnMouseDown(event);
}

void TAbstractStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    LeftButtonDown(pos);
    if (RowAt(pos.y()) >= 0 && pos.x() >= 1 && pos.x() < ClientWidth() && OnChoiseRow)
        OnChoiseRow();
}

void TAbstractStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (PressedCol_ >= 0) {
        PressedCol_ = -1;
        viewport()->update(QRect(0, 0, ClientWidth(), RowHeight_));
    }
    if (SizingCol_ >= 0) {
        const int x = Confine_.Clamp(event->position().toPoint()).x();
        const int left = ColLeft(SizingCol_);
        const int col = SizingCol_;
        SizingCol_ = -1;
        Confine_.Release();
        if (x > left + kBorderGrip)
            SetColWidth(col, x - left);
        if (BorderColAt(x) < 0)
            viewport()->unsetCursor();
    }
}

void TAbstractStringGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = Confine_.Clamp(event->position().toPoint());
    const bool sizing = SizingCol_ >= 0 || (pos.y() < RowHeight_ && BorderColAt(pos.x()) >= 0);
    if (sizing)
        viewport()->setCursor(Qt::SplitHCursor);
    else
        viewport()->unsetCursor();
    if (OnMouseMove)
        OnMouseMove(event);
}

void TAbstractStringGrid::ClientLeave() {
    if (SizingCol_ < 0)
        viewport()->unsetCursor();
}

void TAbstractStringGrid::MoveRowTo(int row) {
    if (RowCount_ <= 0)
        return;
    row = std::clamp(row, 0, RowCount_ - 1);
    ScrollToRow(row);
    if (row != CurRow_) {
        CurRow_ = row;
        AnnounceChangeRow();
    }
    UpdateScrollBars();
    viewport()->update();
}

void TAbstractStringGrid::MoveRowBy(int delta) {
    if (CurRow_ >= 0)
        MoveRowTo(CurRow_ + delta);
}

void TAbstractStringGrid::wheelEvent(QWheelEvent* event) {
    WheelAccum_ += event->angleDelta().y();
    event->accept();
    while (std::abs(WheelAccum_) >= kWheelNotch) {
        const int step = WheelAccum_ > 0 ? 1 : -1;
        WheelAccum_ -= step * kWheelNotch;
        if (RowCount_ > 0)
            MoveRowTo(CurRow_ < 0 ? 0 : CurRow_ - step);  // away from the user moves up
    }
}

void TAbstractStringGrid::keyPressEvent(QKeyEvent* event) {
    const int page = VisibleRows();
    bool handled = true;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (OnChoiseRow)
            OnChoiseRow();
        break;
    case Qt::Key_Up: MoveRowBy(-1); break;
    case Qt::Key_Down: MoveRowBy(1); break;
    case Qt::Key_PageUp: MoveRowBy(-page); break;
    case Qt::Key_PageDown: MoveRowBy(page); break;
    case Qt::Key_Home:
        if (CurRow_ >= 0) {
            TopRow_ = 0;
            MoveRowTo(0);
        }
        break;
    case Qt::Key_End:
        if (CurRow_ >= 0)
            MoveRowTo(RowCount_ - 1);
        break;
    default: handled = false;
    }
    if (OnKeyDown)
        OnKeyDown(event);
    event->setAccepted(handled);
}

void TAbstractStringGrid::ScrollBarMoved(Qt::Orientation orientation, int pos) {
    if (orientation == Qt::Horizontal)
        LeftCol_ = pos;
    else
        TopRow_ = pos;
    viewport()->update();
}

void TAbstractStringGrid::resizeEvent(QResizeEvent*) {
    UpdateScrollBars();
}

void TAbstractStringGrid::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        RowHeight_ = RowHeightForFont(font());
        UpdateScrollBars();
        viewport()->update();
    }
    TScrolledControl::changeEvent(event);
}

}  // namespace pelko
