#pragma once
// What the dialogs share: placing a window relative to the main window's
// frame, and labels that name the control beside them.
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <functional>

class QDialog;
class QLabel;
class QPushButton;

namespace pelko {

// Where a window of the given outer size goes, centred on the main frame:
// left = main left + main width div 2 - own width div 2, top likewise.
QPoint CentredPos(const QRect& mainFrame, QSize own);
// Right edge on the main frame's right edge, bottom edge on its bottom edge.
QPoint BottomRightPos(const QRect& mainFrame, QSize own);
// Moves the position so that the whole window lies in the area (the top-left
// corner wins when the window is larger than the area).
QPoint ClampToArea(QPoint pos, QSize own, const QRect& area);
// The available area of the screen holding the main frame (the screen under
// its centre, else the one it overlaps most, else the primary screen).
QRect AvailableAreaFor(const QRect& mainFrame);

// What the window manager's frame adds to a window's size: its own once
// shown, else its shown parent window's, else nothing known yet.
QSize FrameExtra(const QWidget* window);
// A title bar and edges as the style draws them: for a window placed before
// anything of it was shown.
QSize FrameAllowance(const QWidget* window);
// The window's outer size; before its first show its layout decides it.
QSize OuterSize(QWidget* window);
// Moves the window's frame to where place puts a frame of its outer size,
// kept inside the area; a window larger than the area is shrunk to it first
// (as far as its minimum size allows).
void FitWindowInto(QWidget* window, const std::function<QPoint(QSize)>& place, const QRect& area);
void CentreWindowOn(QWidget* window, const QRect& mainFrame);

// A label for the control: its buddy, and its text as the control's
// accessible name.
QLabel* LabelFor(const QString& text, QWidget* control);
// Object name and accessible name in one call.
template <class W>
W* Named(W* widget, const char* objectName, const QString& accessibleName) {
    widget->setObjectName(QString::fromLatin1(objectName));
    widget->setAccessibleName(accessibleName);
    return widget;
}

// A question of one control: its label, the control, and "ОК!" (default,
// accepts) and "Отмена" (rejects) at the bottom right, in a column of fixed
// size. Returns the OK button.
QPushButton* LayOutQuestion(QDialog* dialog, QLabel* label, QWidget* control);

// Shows or hides the title bar's close button. A shown window keeps its
// flags (changing them would hide it and end exec()); its reject() refuses.
void SetCloseButtonHint(QDialog* dialog, bool on);

}  // namespace pelko
