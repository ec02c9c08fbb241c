#include "controls/pointer_confine.h"

#include <QCursor>
#include <QWidget>
#include <algorithm>

namespace pelko {

void TPointerConfine::Confine(QWidget* widget, const QRect& band) {
    Widget_ = widget;
    Band_ = band;
}

void TPointerConfine::Release() {
    Widget_ = nullptr;
    Band_ = QRect();
}

QPoint TPointerConfine::Clamp(const QPoint& pos) {
    if (!Widget_)
        return pos;
    const QPoint clamped(std::clamp(pos.x(), Band_.left(), std::max(Band_.left(), Band_.right())),
                         std::clamp(pos.y(), Band_.top(), std::max(Band_.top(), Band_.bottom())));
    if (clamped != pos)
        QCursor::setPos(Widget_->mapToGlobal(clamped));
    return clamped;
}

}  // namespace pelko
