#pragma once
// The address dialog "Выбор адреса контроллера": a list of addresses,
// "ОК!" (focused on show) and "Отмена".
#include <QDialog>
#include <QRect>

#include <cstdint>
#include <vector>

class QComboBox;
class QPushButton;

namespace pelko {

class TAddrForm : public QDialog {
    Q_OBJECT
public:
    explicit TAddrForm(QWidget* parent = nullptr);

    // Offers the addresses in the given order and selects the first.
    void SetChoices(const std::vector<std::uint8_t>& choices);
    // The selected address; 0 when the list is empty.
    std::uint8_t Chosen() const;
    void CentreOn(const QRect& mainFrame);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* CBAddr_;
    QPushButton* OKButton_;
};

}  // namespace pelko
