#pragma once
// The status bar's count of the shown controller's cards:
// "Карт: 42 из 1000 · мастер: 2 из 10 · отмечено: 3".
#include <string>

#include "model/conf_pelko.h"

namespace pelko {

// marked: the marks of the list shown (user or master cards); found: the
// rows the find field leaves, or -1 when it is empty.
std::string CardCountsText(const TConfPelko& dev, bool master, int found);

}  // namespace pelko
