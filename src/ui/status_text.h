#pragma once
// A status bar panel that never cuts its text: it wraps, and asks the status
// bar for as many lines as the text needs at the width it was given. A
// screen reader hears the text itself (the panel's accessible name), and the
// panel's role as its description.
#include <QLabel>

namespace pelko {

class TStatusText : public QLabel {
public:
    // The message panel (minLines 2) keeps room for two lines even for a
    // shorter text and asks for the same width whatever it says, so that
    // neither the other panels nor the window change their layout with every
    // message. The others ask for their text on one line.
    TStatusText(const char* objectName, const QString& role, int minLines = 1, QWidget* parent = nullptr);

    // The height the text needs at this width.
    int HeightFor(int width) const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The height follows the width through minimumSizeHint: a wrapping
    // label's own height-for-width would have the status bar sized for
    // whatever narrow width its layout tries first.
    bool hasHeightForWidth() const override { return false; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int Frame() const;
    int OneLineWidth() const;
    int LeastWidth() const;
    int Needed() const;

    int FMinLines;
    int FNeeded = 0;
};

}  // namespace pelko
