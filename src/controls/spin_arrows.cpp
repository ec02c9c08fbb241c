#include "controls/spin_arrows.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

namespace pelko {

namespace {
constexpr int kFirstRepeatMs = 400;
constexpr int kRepeatMs = 50;
}  // namespace

TSpinArrows::TSpinArrows(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::ArrowCursor);
    setFocusPolicy(Qt::NoFocus);
    connect(&Repeat_, &QTimer::timeout, this, [this] { Repeat(); });
}

void TSpinArrows::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The edit's style, also when only the edit was given one.
    QStyle* style = parentWidget() ? parentWidget()->style() : this->style();
    const int half = height() / 2;
    const QRect halves[2] = {QRect(0, 0, width(), half), QRect(0, half, width(), height() - half)};
    for (int i = 0; i < 2; ++i) {
        QStyleOption option;
        option.initFrom(this);
        option.rect = halves[i];
        const bool sunken = Pressed_ == (i == 0 ? 1 : -1);
        option.state |= sunken ? QStyle::State_Sunken : QStyle::State_Raised;
        style->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &painter, this);
        // The glyph of a scroll bar's square arrow button, inset by a quarter
        // of its side as the common style insets it; the half would cut the
        // glyph down, as styles size arrows by a rectangle's smaller side.
        QRect glyph(0, 0, width(), width());
        glyph.moveCenter(halves[i].center());
        const int inset = width() / 4;
        glyph.adjust(inset, inset, -inset, -inset);
        option.rect = glyph;
        painter.save();
        painter.setClipRect(halves[i]);
        style->drawPrimitive(i == 0 ? QStyle::PE_IndicatorArrowUp : QStyle::PE_IndicatorArrowDown, &option,
                               &painter, this);
        painter.restore();
    }
}

void TSpinArrows::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    Pressed_ = event->position().y() < height() / 2 ? 1 : -1;
    update();
    if (OnStep)
        OnStep(Pressed_ > 0);
    Repeat_.start(kFirstRepeatMs);
}

void TSpinArrows::mouseReleaseEvent(QMouseEvent*) {
    Repeat_.stop();
    Pressed_ = 0;
    update();
}

void TSpinArrows::Repeat() {
    Repeat_.setInterval(kRepeatMs);
    if (Pressed_ != 0 && OnStep)
        OnStep(Pressed_ > 0);
}

}  // namespace pelko
