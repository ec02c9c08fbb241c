#pragma once
// A one-line edit holding a 32-bit unsigned value within limits, shown
// divided by a fixed divisor; a thin arrow bar, the wheel and Shift with the
// arrow keys step it.
#include <QLineEdit>
#include <cstdint>

namespace pelko {

class TSpinArrows;

enum class TSpinStep {
    ssLineUp,
    ssLineDown,
    ssPageUp,
    ssPageDown,
    ssThumbTrack,
    ssWheelAway,
    ssWheelTowards,
    ssShiftUp,
    ssShiftDown,
};

class TDivisorSpinEdit : public QLineEdit {
public:
    explicit TDivisorSpinEdit(QWidget* parent = nullptr);

    std::uint32_t Divisor() const { return Divisor_; }
    void SetDivisor(std::uint32_t divisor);
    std::uint32_t MaxValue() const { return MaxValue_; }
    void SetMaxValue(std::uint32_t value);
    std::uint32_t MinValue() const { return MinValue_; }
    void SetMinValue(std::uint32_t value);
    QChar Separator() const { return Separator_; }
    void SetSeparator(QChar separator);
    QString Text() const { return text(); }
    // Puts the text in, then shows the value read from it within the limits.
    void SetText(const QString& text);

    // Reads the box; a text that is not a number puts MinValue into the box.
    std::uint32_t GetValue();
    void SetValue(std::uint32_t value);

    // One step of the value; thumb is the position for ssThumbTrack.
    void Step(TSpinStep step, std::uint32_t thumb = 0);
    // Shows MaxValue for a value above it and MinValue for one below.
    void ApplyLimits();
    // Shows the value the box holds, within the limits and in its own form
    // ("-5" becomes 0, "05" becomes 5), so that the text is the value.
    void ShowLimitedValue();
    // Width of the arrow bar: a vertical scroll bar's for the style and scale.
    int ArrowsWidth() const;

    QSize sizeHint() const override;

protected:
    // Refused characters; the default is the system's beep.
    virtual void Beep();

    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    bool CharAccepted(QChar c) const;
    void AfterPaste();
    void PlaceArrows();

    std::uint32_t Divisor_ = 1;
    std::uint32_t MaxValue_ = 4294967295u;
    std::uint32_t MinValue_ = 0;
    QChar Separator_ = QLatin1Char(',');
    int WheelAccum_ = 0;
    TSpinArrows* Arrows_;
};

}  // namespace pelko
