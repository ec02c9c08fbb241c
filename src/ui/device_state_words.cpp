#include "ui/device_state_words.h"

#include <QStringList>

namespace pelko {

QString DeviceStateWords(const TGroupDev& group, DevIndex index, bool cardsUnread) {
    QStringList words;
    if (!group.GetState(index, dfConnected)) {
        words << QStringLiteral("нет связи");
    } else {
        words << QStringLiteral("подключен");
        if (group.GetState(index, dfOpened)) words << QStringLiteral("открыт");
        if (group.GetState(index, dfParamsRead)) words << QStringLiteral("параметры считаны");
        if (cardsUnread) words << QStringLiteral("карты не считаны");
    }
    words << (group.GetState(index, dfInGroup) ? QStringLiteral("в группе") : QStringLiteral("не в группе"));
    if (index == group.Selected()) words << QStringLiteral("выбран");
    return words.join(QStringLiteral(", "));
}

TCellLook DeviceCellLook(const TGroupDev& group, DevIndex index, bool cardsUnread) {
    TCellLook look;
    look.Framed = group.GetState(index, dfInGroup);
    // The colour says open only for a connected device; so does the flag.
    look.Flagged = group.GetState(index, dfConnected) && group.GetState(index, dfOpened);
    look.Selected = index == group.Selected();
    look.Unread = cardsUnread && group.GetState(index, dfConnected);
    look.State = DeviceStateWords(group, index, cardsUnread);
    return look;
}

}  // namespace pelko
