#include "controls/hint_window.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWindow>

namespace pelko {

THintWindow::THintWindow(QWidget* owner)
    : QLabel(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowTransparentForInput) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);  // plain moves too, to hand them on
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
    KeepTransparentForInput();
}

void THintWindow::KeepTransparentForInput() {
    // Qt's xcb backend (seen with 6.4) leaves the mapped hint open to the
    // pointer despite the flag; setting the flag anew on the mapped window
    // gives it the empty input shape.
    QWindow* window = windowHandle();
    if (!window || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    const Qt::WindowFlags flags = window->flags();
    window->setFlags(flags & ~Qt::WindowTransparentForInput);
    window->setFlags(flags);
}

bool THintWindow::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        if (Target_) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const QPointF global = mouse->globalPosition();
            QMouseEvent copy(mouse->type(), Target_->mapFromGlobal(global), global, mouse->button(),
                             mouse->buttons(), mouse->modifiers(), mouse->pointingDevice());
            QCoreApplication::sendEvent(Target_, &copy);
            return true;
        }
        break;
    case QEvent::Wheel:
        if (Target_) {
            const auto* wheel = static_cast<QWheelEvent*>(event);
            const QPointF global = wheel->globalPosition();
            QWheelEvent copy(Target_->mapFromGlobal(global), global, wheel->pixelDelta(), wheel->angleDelta(),
                             wheel->buttons(), wheel->modifiers(), wheel->phase(), wheel->inverted(),
                             wheel->source(), wheel->pointingDevice());
            QCoreApplication::sendEvent(Target_, &copy);
            return true;
        }
        break;
    case QEvent::Leave:
        if (OnPointerLeave)
            OnPointerLeave();
        break;
    default: break;
    }
    return QLabel::event(event);
}

}  // namespace pelko
