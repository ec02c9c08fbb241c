#include "controls/scrolled_control.h"

#include <QEvent>
#include <QScrollBar>

namespace pelko {

TScrolledControl::TScrolledControl(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
        bar->setRange(0, 0);
        const Qt::Orientation orientation = bar->orientation();
        connect(bar, &QScrollBar::valueChanged, this, [this, orientation](int pos) {
            if (!SettingBars_)
                ScrollBarMoved(orientation, pos);
        });
    }
}

void TScrolledControl::SetBorderStyle(TBorderStyle style) {
    if (style == BorderStyle_)
        return;
    BorderStyle_ = style;
    setFrameStyle(style == TBorderStyle::bsSingle ? (QFrame::WinPanel | QFrame::Sunken) : QFrame::NoFrame);
    ForceLayout();
    viewport()->update();
}

QSize TScrolledControl::ClientSize() const {
    return viewport()->size();
}

void TScrolledControl::ForceLayout() {
    setViewportMargins(viewportMargins());
}

void TScrolledControl::ShowBar(Qt::Orientation orientation, bool show) {
    const Qt::ScrollBarPolicy policy = show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (orientation == Qt::Horizontal) {
        if (horizontalScrollBarPolicy() != policy)
            setHorizontalScrollBarPolicy(policy);
    } else if (verticalScrollBarPolicy() != policy) {
        setVerticalScrollBarPolicy(policy);
    }
}

void TScrolledControl::FitScrollBars(const std::function<int(QSize)>& hMax,
                                     const std::function<int(QSize)>& vMax) {
    for (int pass = 0; pass < 2; ++pass) {
        const QSize client = ClientSize();
        const int h = hMax ? hMax(client) : 0;
        const int v = vMax ? vMax(client) : 0;
        ShowBar(Qt::Horizontal, h > 0);
        ShowBar(Qt::Vertical, v > 0);
        ForceLayout();
    }
}

void TScrolledControl::SetBar(Qt::Orientation orientation, int max, int pos, int pageStep) {
    QScrollBar* bar = orientation == Qt::Horizontal ? horizontalScrollBar() : verticalScrollBar();
    SettingBars_ = true;
    bar->setRange(0, std::max(0, max));
    bar->setPageStep(std::max(1, pageStep));
    bar->setSingleStep(1);
    bar->setValue(pos);
    SettingBars_ = false;
    ShowBar(orientation, max > 0);
}

bool TScrolledControl::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Leave)
        ClientLeave();
    return QAbstractScrollArea::viewportEvent(event);
}

}  // namespace pelko
