#pragma once
// Base of the custom-drawn controls with their own scroll bars: a sunken
// client edge (or none), scroll bars shown only when their range is not
// empty, and the client area (the viewport) painted without erasing.
#include <QAbstractScrollArea>
#include <functional>

namespace pelko {

enum class TBorderStyle { bsNone, bsSingle };

class TScrolledControl : public QAbstractScrollArea {
public:
    explicit TScrolledControl(QWidget* parent = nullptr);

    TBorderStyle BorderStyle() const { return BorderStyle_; }
    void SetBorderStyle(TBorderStyle style);

    // The client area as it is now laid out.
    QSize ClientSize() const;
    int ClientWidth() const { return ClientSize().width(); }
    int ClientHeight() const { return ClientSize().height(); }

protected:
    // Sets both bars from the maxima the functions give for a client size.
    // Done twice, because showing or hiding a bar changes the client area.
    // Each function may clamp its position on the way; returns nothing.
    void FitScrollBars(const std::function<int(QSize)>& hMax, const std::function<int(QSize)>& vMax);

    // Range 0..max (a range of 0..0 hides the bar), position and page step.
    void SetBar(Qt::Orientation orientation, int max, int pos, int pageStep);

    // A scroll bar was moved by the user (line, page or thumb) to pos.
    virtual void ScrollBarMoved(Qt::Orientation orientation, int pos) = 0;
    // The mouse left the client area.
    virtual void ClientLeave() {}

    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int, int) override {}

    void ShowBar(Qt::Orientation orientation, bool show);
    // Lays the bars and the client area out at once, also while hidden.
    void ForceLayout();

private:

    TBorderStyle BorderStyle_ = TBorderStyle::bsSingle;
    bool SettingBars_ = false;
};

}  // namespace pelko
