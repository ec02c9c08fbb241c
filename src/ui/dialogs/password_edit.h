#pragma once
// The ten-digit password edit of the password dialog and the program
// settings: "0"-"9" and "A"-"F" pass, "a"-"f" become capitals, every other
// printable character is swallowed, control keys (Backspace) work; a paste
// keeps only what typing would let through.
#include <QLineEdit>

namespace pelko {

class TPasswordEdit : public QLineEdit {
    Q_OBJECT
public:
    static constexpr int kLength = 10;

    explicit TPasswordEdit(QWidget* parent = nullptr);

    // Holds all ten digits.
    bool Complete() const { return text().size() == kLength; }
    // The characters of the text that typing lets through, in capitals.
    static QString Filter(const QString& text);

public slots:
    void PasteFiltered();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

}  // namespace pelko
