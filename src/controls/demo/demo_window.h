#pragma once
// One window with every control of the program filled with sample data.
#include <QLabel>
#include <QWidget>
#include <vector>

#include "controls/a_property_list.h"
#include "controls/ac_grid.h"
#include "controls/divisor_spin_edit.h"
#include "controls/ex_progress_bar.h"
#include "controls/ys_grid.h"
#include "demo/demo_data.h"

namespace pelko::demo {

class TDemoWindow : public QWidget {
public:
    TDemoWindow();
    // Opens the inspector's editor on a row, as a double click would.
    void EditInspectorRow(int row) { Inspector_->EditParam(row); }

private:
    QWidget* BuildCardSide();
    QWidget* BuildSettings();
    void ShowDevices();

    std::vector<TDemoCard> Cards_;
    TColorCellList Cells_;
    int SelectedDevice_ = 4;
    TYSGrid* CardGrid_ = nullptr;
    TACGrid* GridDev_ = nullptr;
    TAInspector* Inspector_ = nullptr;
    QLabel* Status_ = nullptr;
};

}  // namespace pelko::demo
