#include "controls/hint_window.h"

namespace pelko {

THintWindow::THintWindow(QWidget* owner)
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setForegroundRole(QPalette::ToolTipText);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setContentsMargins(1, 0, 1, 0);
}

void THintWindow::ShowAt(const QRect& screenRect, const QString& text) {
    setText(text);
    setFont(parentWidget()->font());
    const QSize need = sizeHint();
    setGeometry(QRect(screenRect.topLeft(),
                      QSize(std::max(screenRect.width(), need.width()), std::max(screenRect.height(), need.height()))));
    show();
    raise();
}

}  // namespace pelko
