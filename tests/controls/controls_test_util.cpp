#include "controls_test_util.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <QWidget>

namespace pelko::test {

QFont TestFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);
    return f;
}

void ShowActive(QWidget* window) {
    window->show();
    QApplication::setActiveWindow(window);
    (void)QTest::qWaitForWindowActive(window);
}

void Flush() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QImage Render(QWidget* widget) {
    return widget->grab().toImage();
}

bool SameColor(const QImage& image, QPoint at, const QColor& color) {
    return image.pixelColor(at).rgb() == color.rgb();
}

void Leave(QWidget* widget) {
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

void Wheel(QWidget* widget, QPoint at, bool away) {
    QWheelEvent wheel(QPointF(at), QPointF(widget->mapToGlobal(at)), QPoint(), QPoint(0, away ? 120 : -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(widget, &wheel);
}

}  // namespace pelko::test
