#pragma once
// A device cell's state as the grid shows it besides its colour, and in
// words for assistive technology.
#include <QString>

#include "controls/ac_grid.h"
#include "model/group_dev.h"

namespace pelko {

// "нет связи" or "подключен" (with "открыт", "параметры считаны", and "карты
// не считаны" when cardsUnread), then "в группе" or "не в группе", and
// "выбран" for the selected device.
QString DeviceStateWords(const TGroupDev& group, DevIndex index, bool cardsUnread = false);
// Framed: in the group; flagged: open; selected: the group's selected one;
// unread: a connected device whose cards were not read in this session.
TCellLook DeviceCellLook(const TGroupDev& group, DevIndex index, bool cardsUnread = false);

}  // namespace pelko
