#pragma once
// Realistic content for the controls demo: a full card list, a group of
// controllers in every state colour and an inspector markup.
#include <QString>
#include <string>
#include <vector>

#include "model/color_cell.h"

namespace pelko::demo {

struct TDemoCard {
    int Pos = 0;
    QString Code;  // ten hexadecimal digits
    QString User;
    bool Marked = false;
};

std::vector<TDemoCard> MakeCards(int count);
// count controllers, cycling through the eight state colours; the one at
// selected is shown between asterisks.
TColorCellList MakeDeviceCells(int count, int selected);
// One row of each type.
std::string MakeInspectorMarkup();

}  // namespace pelko::demo
