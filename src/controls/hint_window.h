#pragma once
// A small borderless window that shows a text over a cell, like a tooltip
// but placed exactly where the control asks.
#include <QLabel>
#include <QPointer>
#include <functional>

namespace pelko {

class THintWindow : public QLabel {
public:
    explicit THintWindow(QWidget* owner);
    // Shows text in the screen rectangle (grown to fit the text if needed).
    void ShowAt(const QRect& screenRect, const QString& text);

    // The hint lies under the pointer and should let it through. Where the
    // window system gives it the pointer all the same, its mouse and wheel
    // events go on to target (mapped to it) and OnPointerLeave is called
    // when the pointer leaves the hint.
    void SetInputTarget(QWidget* target) { Target_ = target; }
    std::function<void()> OnPointerLeave;

protected:
    bool event(QEvent* event) override;

private:
    void KeepTransparentForInput();

    QPointer<QWidget> Target_;
};

}  // namespace pelko
