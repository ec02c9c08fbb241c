#include "ui/card_counts.h"

namespace pelko {

std::string CardCountsText(const TConfPelko& dev, bool master) {
    return "Карт: " + std::to_string(dev.UserCount()) + " из " + std::to_string(kUserCells) +
           " · мастер: " + std::to_string(dev.MasterCount()) + " из " + std::to_string(kMasterCells) +
           " · отмечено: " + std::to_string(dev.CountSelected(master));
}

}  // namespace pelko
