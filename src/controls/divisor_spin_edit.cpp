#include "controls/divisor_spin_edit.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QStyle>
#include <QWheelEvent>
#include <algorithm>

#include "controls/divisor_number.h"
#include "controls/spin_arrows.h"

namespace pelko {

namespace {
constexpr qsizetype kMaxReadLength = 99;
constexpr int kSpinWheelNotch = 120;
constexpr int kHintSlack = 15;  // room beside the widest number in the size hint
}  // namespace

TDivisorSpinEdit::TDivisorSpinEdit(QWidget* parent) : QLineEdit(parent), Arrows_(new TSpinArrows(this)) {
    Arrows_->OnStep = [this](bool up) { Step(up ? TSpinStep::ssLineUp : TSpinStep::ssLineDown); };
    PlaceArrows();
    SetValue(MinValue_);
}

int TDivisorSpinEdit::ArrowsWidth() const {
    return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

QSize TDivisorSpinEdit::sizeHint() const {
    const QSize hint = QLineEdit::sizeHint();
    return QSize(std::min(hint.width(), fontMetrics().horizontalAdvance(QStringLiteral("4294967295")) +
                                            ArrowsWidth() + kHintSlack),
                 hint.height());
}

void TDivisorSpinEdit::PlaceArrows() {
    setTextMargins(0, 0, ArrowsWidth(), 0);
    const int frame = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
    Arrows_->setGeometry(width() - frame - ArrowsWidth(), frame, ArrowsWidth(), height() - 2 * frame);
}

void TDivisorSpinEdit::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    PlaceArrows();
}

void TDivisorSpinEdit::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    // Another style has other scroll bar arrows.
    if (event->type() == QEvent::StyleChange)
        PlaceArrows();
}

std::uint32_t TDivisorSpinEdit::GetValue() {
    const std::optional<double> number = ParseDecimal(text().left(kMaxReadLength), Separator_);
    if (!number) {
        SetValue(MinValue_);
        return MinValue_;
    }
    return ScaleToValue(*number, Divisor_);
}

void TDivisorSpinEdit::SetValue(std::uint32_t value) {
    setText(FormatValue(value, Divisor_, Separator_));
}

void TDivisorSpinEdit::SetDivisor(std::uint32_t divisor) {
    if (divisor == 0)
        return;
    Divisor_ = divisor;
    SetValue(GetValue());
}

void TDivisorSpinEdit::SetMaxValue(std::uint32_t value) {
    if (value < MinValue_)
        return;
    if (GetValue() > value)
        SetValue(value);
    MaxValue_ = value;
}

void TDivisorSpinEdit::SetMinValue(std::uint32_t value) {
    if (value > MaxValue_)
        return;
    if (GetValue() < value)
        SetValue(value);
    MinValue_ = value;
}

void TDivisorSpinEdit::SetSeparator(QChar separator) {
    // Read with the old separator so that the number shown stays the same.
    const std::uint32_t value = GetValue();
    Separator_ = separator;
    SetValue(value);
}

void TDivisorSpinEdit::SetText(const QString& text) {
    setText(text);
    SetValue(std::clamp(GetValue(), MinValue_, MaxValue_));
}

void TDivisorSpinEdit::Step(TSpinStep step, std::uint32_t thumb) {
    const std::uint32_t v = GetValue();
    const std::int64_t wide = v;
    std::uint32_t next = v;
    switch (step) {
    case TSpinStep::ssLineUp:
    case TSpinStep::ssWheelAway:
    case TSpinStep::ssShiftUp:
        if (v < MaxValue_)
            next = v + 1;
        break;
    case TSpinStep::ssLineDown:
    case TSpinStep::ssWheelTowards:
    case TSpinStep::ssShiftDown:
        if (v > MinValue_)
            next = v - 1;
        break;
    case TSpinStep::ssPageUp:
        next = static_cast<std::uint32_t>(std::min<std::int64_t>(MaxValue_, wide + Divisor_));
        break;
    case TSpinStep::ssPageDown:
        next = static_cast<std::uint32_t>(std::max<std::int64_t>(MinValue_, wide - Divisor_));
        break;
    case TSpinStep::ssThumbTrack: next = thumb; break;
    }
    SetValue(next);
}

void TDivisorSpinEdit::ApplyLimits() {
    const std::uint32_t v = GetValue();
    if (v > MaxValue_)
        SetValue(MaxValue_);
    else if (v < MinValue_)
        SetValue(MinValue_);
}

void TDivisorSpinEdit::ShowLimitedValue() {
    SetValue(std::clamp(GetValue(), MinValue_, MaxValue_));
}

void TDivisorSpinEdit::AfterPaste() {
    ShowLimitedValue();
}

bool TDivisorSpinEdit::CharAccepted(QChar c) const {
    if (c == QLatin1Char('\r'))
        return false;
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
        return true;
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('+') || c == QLatin1Char('-') ||
           c == QLatin1Char('.') || c == Separator_;
}

void TDivisorSpinEdit::Beep() {
    QApplication::beep();
}

void TDivisorSpinEdit::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::ShiftModifier &&
        (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        Step(event->key() == Qt::Key_Up ? TSpinStep::ssShiftUp : TSpinStep::ssShiftDown);
        event->accept();
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        QLineEdit::keyPressEvent(event);
        AfterPaste();
        return;
    }
    const QString typed = event->text();
    if (!std::all_of(typed.begin(), typed.end(), [this](QChar c) { return CharAccepted(c); })) {
        Beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TDivisorSpinEdit::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    ApplyLimits();
}

void TDivisorSpinEdit::focusOutEvent(QFocusEvent* event) {
    ShowLimitedValue();
    QLineEdit::focusOutEvent(event);
}

void TDivisorSpinEdit::wheelEvent(QWheelEvent* event) {
    WheelAccum_ += event->angleDelta().y();
    while (std::abs(WheelAccum_) >= kSpinWheelNotch) {
        const bool away = WheelAccum_ > 0;
        WheelAccum_ -= away ? kSpinWheelNotch : -kSpinWheelNotch;
        Step(away ? TSpinStep::ssWheelAway : TSpinStep::ssWheelTowards);
    }
    event->accept();
}

void TDivisorSpinEdit::mouseReleaseEvent(QMouseEvent* event) {
    const QString before = text();
    QLineEdit::mouseReleaseEvent(event);
    // A middle-button paste of the selection.
    if (event->button() == Qt::MiddleButton && text() != before)
        AfterPaste();
}

void TDivisorSpinEdit::dropEvent(QDropEvent* event) {
    // A drop is typed text: it goes in whole or, with a refused character
    // (control characters included, which typing never inserts), not at all.
    const QString text = event->mimeData()->hasText() ? event->mimeData()->text() : QString();
    const bool typable =
        std::all_of(text.begin(), text.end(), [this](QChar c) { return c.isPrint() && CharAccepted(c); });
    if (!typable) {
        Beep();
        event->ignore();
        return;
    }
    QLineEdit::dropEvent(event);
}

void TDivisorSpinEdit::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createStandardContextMenu();
    for (QAction* action : menu->actions())
        if (action->objectName() == QLatin1String("edit-paste"))
            connect(action, &QAction::triggered, this, [this] { AfterPaste(); });
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

}  // namespace pelko
