#pragma once
// The one line the status bar says once an edit or a transfer is done: what
// happened, to how many cards, in which controller.
#include <string>

#include "engine/preflight.h"  // PluralForm, CardsCount
#include "model/conf_pelko.h"

namespace pelko {

// "Прибор: 40 (адрес 40)": a controller as dialogs and headings name it.
std::string DeviceTitle(const TConfPelko& dev);

// "2 карты скопированы в «Прибор: 3»"; a target whose cards were not read
// in this session may hold other cards in the cells the copy took.
std::string CopiedText(int copied, const TConfPelko& target, bool targetRead);
// "3 карты удалены из «Прибор: 40»".
std::string DeletedText(int deleted, const TConfPelko& dev);
// "Адрес прибора «Прибор: 40» изменён: 40 → 41", or that it was not.
std::string AddressText(const std::string& name, int from, int to, bool changed);

}  // namespace pelko
