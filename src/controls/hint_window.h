#pragma once
// A small borderless window that shows a text over a cell, like a tooltip
// but placed exactly where the control asks.
#include <QLabel>

namespace pelko {

class THintWindow : public QLabel {
public:
    explicit THintWindow(QWidget* owner);
    // Shows text in the screen rectangle (grown to fit the text if needed).
    void ShowAt(const QRect& screenRect, const QString& text);
};

}  // namespace pelko
