#pragma once
// "Копировать в прибор": which controller of the group the current card, or
// the marked ones, go to. The list has the focus, so the arrows choose and
// Enter copies.
#include <QDialog>
#include <QRect>

#include <utility>
#include <vector>

class QComboBox;

namespace pelko {

class TCopyTargetForm : public QDialog {
    Q_OBJECT
public:
    explicit TCopyTargetForm(QWidget* parent = nullptr);

    // Each choice is the owner's number of a controller and its text; the
    // first is selected.
    void SetChoices(const std::vector<std::pair<int, QString>>& choices);
    // The selected controller's number; -1 when there is none.
    int Chosen() const;
    void CentreOn(const QRect& mainFrame);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QComboBox* Targets_;
};

}  // namespace pelko
