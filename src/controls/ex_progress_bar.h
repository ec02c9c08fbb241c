#pragma once
// A progress bar with a settable bar colour and an endless (marquee) style.
// Switching the style keeps minimum, maximum and position.
#include <QProgressBar>
#include <QTimer>

#include "controls/win_color.h"

namespace pelko {

class TExProgressBar : public QProgressBar {
public:
    explicit TExProgressBar(QWidget* parent = nullptr);

    TWinColor BarColor() const { return BarColor_; }
    void SetBarColor(TWinColor color);
    bool MarqueeStyle() const { return Marquee_; }
    void SetMarqueeStyle(bool on);

    // Moves the marquee block one step (driven by the timer while shown).
    void AdvanceMarquee();
    int MarqueeOffset() const { return MarqueeOffset_; }
    // Width of the moving block for the current size.
    int MarqueeBlockWidth() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QRect BarArea() const;
    void RunTimer();

    TWinColor BarColor_ = 0x800000;  // navy
    bool Marquee_ = false;
    int MarqueeOffset_ = 0;
    QTimer Timer_;
};

}  // namespace pelko
