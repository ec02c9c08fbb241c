#pragma once
// A text label that looks like a web link while the mouse is over it: on
// entering it saves its font colour, font style and cursor and shows
// FocusColor, underline and the hand cursor; on leaving it puts the saved
// ones back. A left click on it emits clicked().
#include <QColor>
#include <QCursor>
#include <QLabel>

namespace pelko {

class TAInternetLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QColor FocusColor READ FocusColor WRITE SetFocusColor)
public:
    explicit TAInternetLabel(QWidget* parent = nullptr);
    explicit TAInternetLabel(const QString& text, QWidget* parent = nullptr);

    QColor FocusColor() const { return FocusColor_; }
    void SetFocusColor(const QColor& color) { FocusColor_ = color; }

    bool Hovered() const { return Hovered_; }

signals:
    void clicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void Save();
    void Restore();

    QColor FocusColor_ = QColor(0, 0, 255);
    bool Hovered_ = false;
    bool Pressed_ = false;
    // Saved font colour, font style and cursor (whether one was set at all).
    // A palette, font or cursor that was only inherited is given back as
    // inherited.
    QPalette SavedPalette_;
    bool SavedOwnPalette_ = false;
    QFont SavedFont_;
    bool SavedOwnFont_ = false;
    QCursor SavedCursor_;
    bool SavedOwnCursor_ = false;
};

}  // namespace pelko
