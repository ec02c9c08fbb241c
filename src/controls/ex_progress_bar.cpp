#include "controls/ex_progress_bar.h"

#include <QPainter>
#include <QStyleOption>

namespace pelko {

namespace {
constexpr int kMarqueeIntervalMs = 30;
constexpr int kMarqueeStep = 4;
constexpr int kFrame = 2;
}  // namespace

TExProgressBar::TExProgressBar(QWidget* parent) : QProgressBar(parent) {
    setTextVisible(false);
    connect(&Timer_, &QTimer::timeout, this, [this] { AdvanceMarquee(); });
    Timer_.setInterval(kMarqueeIntervalMs);
}

void TExProgressBar::SetBarColor(TWinColor color) {
    BarColor_ = color;
    update();
}

void TExProgressBar::SetMarqueeStyle(bool on) {
    Marquee_ = on;
    MarqueeOffset_ = 0;
    // The block covers the whole bar each frame, so no erasing is needed.
    setAttribute(Qt::WA_OpaquePaintEvent, on);
    RunTimer();
    update();
}

void TExProgressBar::RunTimer() {
    if (Marquee_ && isVisible())
        Timer_.start();
    else
        Timer_.stop();
}

void TExProgressBar::showEvent(QShowEvent* event) {
    QProgressBar::showEvent(event);
    RunTimer();
}

void TExProgressBar::hideEvent(QHideEvent* event) {
    Timer_.stop();
    QProgressBar::hideEvent(event);
}

QRect TExProgressBar::BarArea() const {
    return rect().adjusted(kFrame, kFrame, -kFrame, -kFrame);
}

int TExProgressBar::MarqueeBlockWidth() const {
    return std::max(8, BarArea().width() / 4);
}

void TExProgressBar::AdvanceMarquee() {
    const int span = BarArea().width() + MarqueeBlockWidth();
    MarqueeOffset_ = span > 0 ? (MarqueeOffset_ + kMarqueeStep) % span : 0;
    update();
}

void TExProgressBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    frame.state |= QStyle::State_Sunken;
    painter.fillRect(rect(), palette().color(QPalette::Button));
    style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    const QRect area = BarArea();
    painter.fillRect(area, palette().color(QPalette::Button));
    QRect bar;
    if (Marquee_) {
        const int blockWidth = MarqueeBlockWidth();
        bar = QRect(area.left() + MarqueeOffset_ - blockWidth, area.top(), blockWidth, area.height()) & area;
    } else if (maximum() > minimum()) {
        const double part = double(std::clamp(value(), minimum(), maximum()) - minimum()) / (maximum() - minimum());
        bar = QRect(area.left(), area.top(), static_cast<int>(area.width() * part + 0.5), area.height());
    }
    if (!bar.isEmpty())
        painter.fillRect(bar, FromWinColor(BarColor_));
}

}  // namespace pelko
