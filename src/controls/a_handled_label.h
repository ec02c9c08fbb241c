#pragma once
// A read-only, focusable label: the inspector's "editor" for rows that
// cannot be changed. It takes the arrow keys so the inspector can move on.
#include <QWidget>

namespace pelko {

class TAHandledLabel : public QWidget {
public:
    explicit TAHandledLabel(QWidget* parent = nullptr);

    const QString& Caption() const { return Caption_; }
    void SetCaption(const QString& caption);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QString Caption_;
};

}  // namespace pelko
