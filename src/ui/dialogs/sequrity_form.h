#pragma once
// The password dialog "Безопасность": a ten-digit password edit, "ОК!"
// enabled exactly at ten characters, and "Отмена".
#include <QDialog>
#include <QRect>

class QPushButton;

namespace pelko {

class TPasswordEdit;

class TSequrityForm : public QDialog {
    Q_OBJECT
public:
    explicit TSequrityForm(QWidget* parent = nullptr);

    // Clears the edit and disables "ОК!"; the edit gets the focus on show.
    void Prepare();
    // As typed: upper-case hexadecimal digits.
    QString Password() const;
    void CentreOn(const QRect& mainFrame);

protected:
    void showEvent(QShowEvent* event) override;

private:
    TPasswordEdit* PasswordEdit_;
    QPushButton* OKButton_;
};

}  // namespace pelko
