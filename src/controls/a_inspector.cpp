#include "controls/a_inspector.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "controls/editor_hook.h"
#include "controls/header_cell.h"
#include "controls/text_out.h"
#include "controls/win_color.h"

namespace pelko {

namespace {
constexpr int kTextX = 4;
constexpr int kBorderGrip = 4;
constexpr int kSizingMargin = 5;
constexpr int kWheelNotch = 120;
}  // namespace

TAInspector::TAInspector(QWidget* parent) : TScrolledControl(parent) {
    RowHeight_ = RowHeightForFont(font());
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()})
        connect(bar, &QScrollBar::actionTriggered, this, [this](int) {
            TakeFocus();
            PostOpenEditor(0, false);
        });
}

TAInspector::~TAInspector() {
    if (Hook_) {
        Hook_->Closed = true;
        delete Hook_->Editor();
    }
}

QWidget* TAInspector::Editor() const {
    return Hook_ ? Hook_->Editor() : nullptr;
}

QString TAInspector::Value(int row) const {
    return row >= 0 && row < static_cast<int>(Values_.size()) ? Values_[row] : QString();
}

void TAInspector::LoadParams(const QString& markup) {
    LoadParams(markup.toStdString());
}

void TAInspector::LoadParams(const std::string& markup) {
    ++Generation_;
    Markup_.Load(markup);
    Key_ = Markup_.Key();
    const int n = Markup_.Count();
    Values_.assign(n, QString());
    for (int i = 0; i < n; ++i)
        Values_[i] = Markup_.Value(i);
    SelRow_ = -1;
    SetRowCount(n);
}

void TAInspector::SetRowCount(int n) {
    if (n < 0)
        return;
    TopRow_ = std::min(TopRow_, n);
    if (SelRow_ >= n)
        SelRow_ = n - 1;
    RowCount_ = n;
    UpdateScrollBars();
    viewport()->update();
}

void TAInspector::SetColWidth(int col, int width) {
    if (col != 0 && col != 1)
        return;
    ColWidths_[col] = width;
    UpdateScrollBars();
    viewport()->update();
}

void TAInspector::EditParam(int row) {
    if (row < 0 || row >= RowCount_)
        return;
    ++EditRequests_;
    TakeFocus();
    SelRow_ = row;
    viewport()->update();
    PostOpenEditor(1, true);
}

void TAInspector::CommitEdit() {
    EditMode_ = false;
    if (Hook_)
        CloseEditor(Hook_, true);
}

void TAInspector::RefreshValues() {
    viewport()->update();
}

int TAInspector::VisibleRows() const {
    return std::max(0, (ClientHeight() - RowHeight_) / RowHeight_);
}

int TAInspector::ColLeft(int col) const {
    if (col == LeftCol_)
        return 0;
    return col > LeftCol_ ? ColWidths_[LeftCol_] : -ColWidths_[col] - (LeftCol_ == 2 ? ColWidths_[1] : 0);
}

int TAInspector::ColumnsRight() const {
    return ColLeft(1) + ColWidths_[1];
}

int TAInspector::HorzMaxFor(int clientWidth) const {
    if (ColWidths_[0] + ColWidths_[1] <= clientWidth)
        return 0;
    return ColWidths_[1] <= clientWidth ? 1 : 2;
}

void TAInspector::UpdateScrollBars() {
    if (InUpdateBars_)
        return;
    InUpdateBars_ = true;
    const auto vMax = [this](QSize c) { return std::max(0, RowCount_ - (c.height() - RowHeight_) / RowHeight_); };
    FitScrollBars([this](QSize c) { return HorzMaxFor(c.width()); }, vMax);
    HorzMax_ = HorzMaxFor(ClientWidth());
    LeftCol_ = std::clamp(LeftCol_, 0, HorzMax_);
    SetBar(Qt::Horizontal, HorzMax_, LeftCol_, 1);
    VertMax_ = vMax(ClientSize());
    TopRow_ = std::clamp(TopRow_, 0, VertMax_);
    SetBar(Qt::Vertical, VertMax_, TopRow_, std::max(1, VisibleRows()));
    InUpdateBars_ = false;
}

// Drawing.

void TAInspector::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setFont(font());
    PaintHeader(painter);
    PaintRows(painter);
    PaintSelection(painter);
}

void TAInspector::PaintHeader(QPainter& painter) {
    static const QString kTitles[2] = {QStringLiteral("Свойство"), QStringLiteral("Значение")};
    const TSystemColors colors = SystemColors(palette());
    const int clientWidth = ClientWidth();
    const int textTop = (RowHeight_ - painter.fontMetrics().height()) / 2;
    int x = 0;
    for (int col = LeftCol_; col < 2 && x < clientWidth; ++col) {
        const QRect inner = PaintRaisedCell(painter, QRect(x, 0, ColWidths_[col], RowHeight_), col == PressedCol_, colors);
        painter.save();
        painter.setClipRect(inner);
        painter.setPen(colors.WindowText);
        TextOut(painter, x + kTextX, textTop,
                ShortenText(kTitles[col], painter.fontMetrics(), inner.right() + 1 - x - kTextX));
        painter.restore();
        x += ColWidths_[col];
    }
    if (x < clientWidth)
        painter.fillRect(QRect(x, 0, clientWidth - x, RowHeight_), colors.Window);
}

void TAInspector::PaintRows(QPainter& painter) {
    const TSystemColors colors = SystemColors(palette());
    const QSize client = ClientSize();
    const QFontMetrics metrics = painter.fontMetrics();
    const int textTop = (RowHeight_ - metrics.height()) / 2;
    painter.fillRect(QRect(0, RowHeight_, client.width(), client.height() - RowHeight_), colors.Window);
    int y = RowHeight_;
    for (int row = TopRow_; row < RowCount_ && y < client.height(); ++row, y += RowHeight_) {
        painter.setPen(Markup_.Type(row) == TParamType::ptConst ? colors.GrayText : colors.WindowText);
        const QString texts[2] = {Markup_.Name(row), Values_[row]};
        for (int col = LeftCol_; col < 2; ++col) {
            const int left = ColLeft(col);
            if (left >= client.width())
                break;
            const QRect cell(left, y, ColWidths_[col], RowHeight_);
            painter.save();
            painter.setClipRect(cell & QRect(QPoint(0, 0), client));
            TextOut(painter, left + kTextX, y + textTop,
                    ShortenText(texts[col], metrics, ColWidths_[col] - kTextX));
            painter.restore();
        }
    }
}

void TAInspector::PaintSelection(QPainter& painter) {
    if (SelRow_ < TopRow_ || SelRow_ >= RowCount_)
        return;
    const int top = RowHeight_ + (SelRow_ - TopRow_) * RowHeight_;
    const int bottom = top + RowHeight_ - 2;
    const int right = ColumnsRight() - 1;
    painter.setPen(Qt::black);
    painter.drawLine(1, top + 1, right, top + 1);
    painter.drawLine(1, bottom, right, bottom);
    painter.drawLine(right, top + 1, right, bottom);
    if (LeftCol_ == 0)
        painter.drawLine(1, top + 1, 1, bottom);
}

// Input.

void TAInspector::TakeFocus() {
    setFocus(Qt::OtherFocusReason);
    // Without an active window no focus events come; the editor closes all the same.
    if (Hook_ && !Hook_->Editor()->hasFocus())
        CloseEditor(Hook_, !Hook_->Escaped);
}

void TAInspector::MoveSelection(int row) {
    if (SelRow_ < 0 || RowCount_ <= 0)
        return;
    SelRow_ = std::clamp(row, 0, RowCount_ - 1);
    ScrollToRow(SelRow_);
    viewport()->update();
}

void TAInspector::ScrollToRow(int row) {
    const int visible = VisibleRows();
    if (row < TopRow_)
        TopRow_ = row;
    else if (visible > 0 && row >= TopRow_ + visible)
        TopRow_ = row - visible + 1;
    UpdateScrollBars();
}

int TAInspector::BorderColAt(int x) const {
    for (int col = LeftCol_; col < 2; ++col)
        if (std::abs(x - (ColLeft(col) + ColWidths_[col])) <= kBorderGrip)
            return col;
    return -1;
}

void TAInspector::HeaderButtonDown(int x) {
    const int border = BorderColAt(x);
    if (border >= 0) {
        SizingCol_ = border;
        const int lo = std::max(kSizingMargin, ColLeft(border) + kSizingMargin);
        const int end = border == 0 ? std::min(ColumnsRight(), ClientWidth()) : ClientWidth();
        Confine_.Confine(viewport(), QRect(QPoint(lo, 0), QPoint(std::max(lo, end - kSizingMargin), RowHeight_ - 1)));
        viewport()->setCursor(Qt::SplitHCursor);
        return;
    }
    for (int col = LeftCol_; col < 2; ++col) {
        const int left = ColLeft(col);
        if (x >= left && x < left + ColWidths_[col]) {
            PressedCol_ = col;
            viewport()->update(QRect(0, 0, ClientWidth(), RowHeight_));
            return;
        }
    }
}

void TAInspector::ButtonDown(const QPoint& pos) {
    EditMode_ = false;
    TakeFocus();
    if (pos.y() < RowHeight_) {
        HeaderButtonDown(pos.x());
        return;
    }
    if (pos.x() >= ClientWidth())
        return;
    const int row = TopRow_ + (pos.y() - RowHeight_) / RowHeight_;
    if (row < RowCount_ && row != SelRow_) {
        SelRow_ = row;
        viewport()->update();
    }
}

void TAInspector::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        ButtonDown(event->position().toPoint());
}

void TAInspector::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    ButtonDown(pos);
    const bool onRow = pos.y() >= RowHeight_ && TopRow_ + (pos.y() - RowHeight_) / RowHeight_ < RowCount_;
    if (onRow && pos.x() < std::min(ColumnsRight(), ClientWidth()))
        PostOpenEditor(0, true);
}

void TAInspector::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (PressedCol_ >= 0) {
        PressedCol_ = -1;
        viewport()->update(QRect(0, 0, ClientWidth(), RowHeight_));
    }
    if (SizingCol_ >= 0) {
        const int x = Confine_.Clamp(event->position().toPoint()).x();
        const int col = SizingCol_;
        SizingCol_ = -1;
        Confine_.Release();
        if (x - ColLeft(col) > kBorderGrip)
            SetColWidth(col, x - ColLeft(col));
        if (BorderColAt(x) < 0)
            viewport()->unsetCursor();
    }
}

void TAInspector::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = Confine_.Clamp(event->position().toPoint());
    if (SizingCol_ >= 0 || (pos.y() < RowHeight_ && BorderColAt(pos.x()) >= 0))
        viewport()->setCursor(Qt::SplitHCursor);
    else
        viewport()->unsetCursor();
}

void TAInspector::ClientLeave() {
    if (SizingCol_ < 0)
        viewport()->unsetCursor();
}

void TAInspector::wheelEvent(QWheelEvent* event) {
    WheelAccum_ += event->angleDelta().y();
    event->accept();
    while (std::abs(WheelAccum_) >= kWheelNotch) {
        const int step = WheelAccum_ > 0 ? 1 : -1;
        WheelAccum_ -= step * kWheelNotch;
        MoveSelection(SelRow_ - step);  // away from the user moves up
        TakeFocus();
        PostOpenEditor(0, false);
    }
}

void TAInspector::keyPressEvent(QKeyEvent* event) {
    const int page = VisibleRows();
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: PostOpenEditor(0, true); break;
    case Qt::Key_Up: MoveSelection(SelRow_ - 1); break;
    case Qt::Key_Down: MoveSelection(SelRow_ + 1); break;
    case Qt::Key_PageUp: MoveSelection(SelRow_ - page); break;
    case Qt::Key_PageDown: MoveSelection(SelRow_ + page); break;
    case Qt::Key_Home: MoveSelection(0); break;
    case Qt::Key_End: MoveSelection(RowCount_ - 1); break;
    default: event->ignore(); return;
    }
    event->accept();
}

void TAInspector::focusInEvent(QFocusEvent* event) {
    TScrolledControl::focusInEvent(event);
    if (RowCount_ > 0 && SelRow_ < 0) {
        SelRow_ = 0;
        viewport()->update();
    }
}

void TAInspector::ScrollBarMoved(Qt::Orientation orientation, int pos) {
    if (orientation == Qt::Horizontal)
        LeftCol_ = pos;
    else
        TopRow_ = pos;
    viewport()->update();
}

void TAInspector::resizeEvent(QResizeEvent*) {
    UpdateScrollBars();
}

void TAInspector::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        RowHeight_ = RowHeightForFont(font());
        UpdateScrollBars();
        viewport()->update();
    }
    TScrolledControl::changeEvent(event);
}

}  // namespace pelko
