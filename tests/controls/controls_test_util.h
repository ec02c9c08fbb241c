#pragma once
// Helpers shared by the controls' widget tests.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>

class QWidget;

namespace pelko::test {

// An 11-pixel font: rows of the grids and the inspector are 22 pixels high.
QFont TestFont();
// Shows the window and makes it active, so that focus changes send events.
void ShowActive(QWidget* window);
// Runs the calls queued so far (the controls' deferred events) and frees
// objects whose deletion was deferred.
void Flush();
// The widget drawn into an image (the client area of a scrolled control).
QImage Render(QWidget* widget);
bool SameColor(const QImage& image, QPoint at, const QColor& color);
// Sends a Leave event as when the pointer leaves the widget.
void Leave(QWidget* widget);
// One wheel notch over the widget: away from the user (up) or towards.
void Wheel(QWidget* widget, QPoint at, bool away);

}  // namespace pelko::test
