#pragma once
// Keeps the mouse pointer inside a band while a column border is dragged.
// The band is in the widget's coordinates; positions reported while it is
// active are clamped to it, and the real pointer is put back when it strays.
#include <QPoint>
#include <QRect>

class QWidget;

namespace pelko {

class TPointerConfine {
public:
    void Confine(QWidget* widget, const QRect& band);
    void Release();
    bool Active() const { return Widget_ != nullptr; }
    const QRect& Band() const { return Band_; }

    // The position clamped to the band; moves the real pointer back when
    // it lies outside (the position is unchanged when not confined).
    QPoint Clamp(const QPoint& pos);

private:
    QWidget* Widget_ = nullptr;
    QRect Band_;
};

}  // namespace pelko
