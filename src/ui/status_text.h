#pragma once
// A status bar panel that never cuts its text: it wraps, and asks the status
// bar for as many lines as the text needs at the width it was given. A
// screen reader hears the text itself (the panel's accessible name), and the
// panel's role as its description.
#include <QLabel>

namespace pelko {

class TStatusText : public QLabel {
public:
    TStatusText(const char* objectName, const QString& role, QWidget* parent = nullptr);

    // The height the text needs at this width.
    int HeightFor(int width) const;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int FLines = 1;
};

}  // namespace pelko
