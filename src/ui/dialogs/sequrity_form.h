#pragma once
// The password dialog "Безопасность": a ten-digit password edit, "ОК!"
// enabled exactly at ten characters, and "Отмена".
#include <QDialog>
#include <QRect>

class QLabel;
class QPushButton;

namespace pelko {

class TPasswordEdit;

class TSequrityForm : public QDialog {
    Q_OBJECT
public:
    explicit TSequrityForm(QWidget* parent = nullptr);

    // Clears the edit and disables "ОК!"; the edit gets the focus on show.
    // device names the controller in the title and above the prompt.
    void Prepare(const QString& device = {});
    // As typed: upper-case hexadecimal digits.
    QString Password() const;
    void CentreOn(const QRect& mainFrame);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* Device_;
    TPasswordEdit* PasswordEdit_;
    QPushButton* OKButton_;
};

}  // namespace pelko
