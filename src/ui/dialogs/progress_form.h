#pragma once
// The progress window of the operations: a caption, one progress bar and
// "Отмена". exec() returns Rejected when the user cancels (the button, Esc or
// the title bar's close, all three only while cancelling is enabled); the
// engine ends it otherwise with accept().
#include <QDialog>
#include <QRect>

#include "engine/progress.h"

class QLabel;
class QPushButton;

namespace pelko {

class TExProgressBar;

class TProgressForm : public QDialog {
    Q_OBJECT
public:
    explicit TProgressForm(QWidget* parent = nullptr);

    void SetCaption(const QString& text);
    // The lines shown inside: the operation, the controller, the step, the time left.
    void SetText(const QString& text);
    QLabel* Text() const { return Text_; }
    // Minimum, maximum, position and marquee style.
    void SetBar(const TProgressBar& bar);
    void SetCancelEnabled(bool enabled);
    bool CancelEnabled() const { return CancelEnabled_; }
    // Centres the window on the main window's frame.
    void CentreOn(const QRect& mainFrame);

    QPushButton* CancelButton() const { return CancelButton_; }
    TExProgressBar* Bar() const { return Bar_; }

public slots:
    void reject() override;

private:
    QLabel* Text_;
    TExProgressBar* Bar_;
    QPushButton* CancelButton_;
    bool CancelEnabled_ = true;
};

}  // namespace pelko
