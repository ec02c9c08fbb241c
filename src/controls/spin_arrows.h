#pragma once
// The thin up/down bar inside the spin edit: the upper half steps up, the
// lower half down, repeating while the button is held.
#include <QTimer>
#include <QWidget>
#include <functional>

namespace pelko {

class TSpinArrows : public QWidget {
public:
    explicit TSpinArrows(QWidget* parent);

    // up = true for the upper arrow.
    std::function<void(bool up)> OnStep;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Repeat();

    QTimer Repeat_;
    int Pressed_ = 0;  // 1 upper, -1 lower, 0 none
};

}  // namespace pelko
