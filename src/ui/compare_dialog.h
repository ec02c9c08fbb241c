#pragma once
// "Сравнение с прибором": the cells where a controller and the program
// differ, side by side; the user takes the controller's side or the
// program's for the rows chosen (all rows when none is).
#include <QDialog>
#include <vector>

#include "engine/card_check.h"

class QTableWidget;

namespace pelko {

class TCompareDialog : public QDialog {
public:
    enum class TChoice { None, TakeDevice, TakeProgram };
    TCompareDialog(QWidget* owner, const QString& deviceName, const TCardCheck& check);

    TChoice Choice() const { return FChoice; }
    std::vector<TCellDiff> ChosenCells() const;

private:
    void Choose(TChoice choice);
    std::vector<TCellDiff> FDiffs;
    QTableWidget* FTable = nullptr;
    TChoice FChoice = TChoice::None;
};

// "только в программе", "только в приборе", "разные коды".
const char* DiffKindText(const TCellDiff& d);

}  // namespace pelko
