#include "ui/dialogs/a_internet_label.h"

#include <QEnterEvent>
#include <QMouseEvent>

namespace pelko {

TAInternetLabel::TAInternetLabel(QWidget* parent) : TAInternetLabel(QString(), parent) {}

TAInternetLabel::TAInternetLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    setTextFormat(Qt::PlainText);
    Save();
}

void TAInternetLabel::Save() {
    SavedPalette_ = palette();
    SavedOwnPalette_ = testAttribute(Qt::WA_SetPalette);
    SavedFont_ = font();
    SavedOwnFont_ = testAttribute(Qt::WA_SetFont);
    SavedCursor_ = cursor();
    SavedOwnCursor_ = testAttribute(Qt::WA_SetCursor);
}

void TAInternetLabel::Restore() {
    setPalette(SavedOwnPalette_ ? SavedPalette_ : QPalette());
    setFont(SavedOwnFont_ ? SavedFont_ : QFont());
    if (SavedOwnCursor_)
        setCursor(SavedCursor_);
    else
        unsetCursor();
}

void TAInternetLabel::enterEvent(QEnterEvent* event) {
    // Saved afresh each time, so changes made between two visits survive.
    if (!Hovered_) Save();
    Hovered_ = true;
    QPalette p = palette();
    p.setColor(QPalette::WindowText, FocusColor_);
    setPalette(p);
    QFont f = font();
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    QLabel::enterEvent(event);
}

void TAInternetLabel::leaveEvent(QEvent* event) {
    if (Hovered_) Restore();
    Hovered_ = false;
    Pressed_ = false;
    QLabel::leaveEvent(event);
}

void TAInternetLabel::mousePressEvent(QMouseEvent* event) {
    Pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TAInternetLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = Pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    Pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (click) emit clicked();
}

}  // namespace pelko
