#include "controls/a_handled_label.h"

#include <QKeyEvent>
#include <QPainter>

#include "controls/text_out.h"
#include "controls/win_color.h"

namespace pelko {

TAHandledLabel::TAHandledLabel(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TAHandledLabel::SetCaption(const QString& caption) {
    Caption_ = caption;
    update();
}

void TAHandledLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const TSystemColors colors = SystemColors(palette());
    painter.fillRect(rect(), colors.Window);
    QFont f = font();
    f.setUnderline(true);
    painter.setFont(f);
    painter.setPen(colors.GrayText);
    TextOut(painter, 3, 1, Caption_);
}

bool TAHandledLabel::event(QEvent* event) {
    // Arrow keys are the label's own, not the focus chain's.
    if (event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

}  // namespace pelko
