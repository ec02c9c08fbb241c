#pragma once
// The status bar's count of the shown controller's cards:
// "Карт: 42 из 1000 · мастер: 2 из 10 · отмечено: 3".
#include <string>

#include "model/conf_pelko.h"

namespace pelko {

// The marks counted are those of the list shown (user or master cards).
std::string CardCountsText(const TConfPelko& dev, bool master);

}  // namespace pelko
