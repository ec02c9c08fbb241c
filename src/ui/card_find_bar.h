#pragma once
// The find field over the card list: Ctrl+F shows it, Esc in it clears it
// and hides it, and the card list shows only the matching rows while it
// holds text.
#include <QFrame>
#include <functional>

class QLabel;
class QLineEdit;

namespace pelko {

class TCardFindBar : public QFrame {
public:
    explicit TCardFindBar(QWidget* parent = nullptr);

    // Shows the bar with the field focused and its text selected.
    void Open();
    // Empties the field and hides the bar.
    void Close();
    // "найдено: N" beside the field; N < 0 leaves it empty.
    void ShowFound(int found);

    std::function<void(const QString&)> OnTextChanged;
    std::function<void()> OnClosed;  // after Esc: the card list takes the focus back

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* FField = nullptr;
    QLabel* FFound = nullptr;
};

}  // namespace pelko
