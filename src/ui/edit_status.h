#pragma once
// The one line the status bar says once an edit or a transfer is done: what
// happened, to how many cards, in which controller.
#include <string>

#include "model/conf_pelko.h"

namespace pelko {

// The form of a counted word for n: one ("1 карта", "21 карта"), few ("2
// карты") or many ("5 карт", "11 карт").
const char* PluralForm(int n, const char* one, const char* few, const char* many);
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
