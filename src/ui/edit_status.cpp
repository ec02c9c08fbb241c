#include "ui/edit_status.h"

#include "model/dev_config.h"

namespace pelko {
namespace {

std::string Quoted(const TConfPelko& dev) { return "«" + dev.Name + "»"; }

}  // namespace

std::string DeviceTitle(const TConfPelko& dev) {
    return dev.Name + " (адрес " + std::to_string(dev.Config[kAdrByte]) + ")";
}

std::string CopiedText(int copied, const TConfPelko& target, bool targetRead) {
    std::string text = copied > 0 ? std::to_string(copied) + " " +
                                        PluralForm(copied, "карта скопирована", "карты скопированы", "карт скопировано") +
                                        " в " + Quoted(target)
                                  : "В " + Quoted(target) + " не скопировано ни одной карты";
    if (copied > 0 && !targetRead)
        text += "; его карты в этом сеансе не считывались: в самом приборе эти ячейки могут быть заняты";
    return text;
}

std::string DeletedText(int deleted, const TConfPelko& dev) {
    if (deleted <= 0) return "Из " + Quoted(dev) + " не удалено ни одной карты";
    return std::to_string(deleted) + " " + PluralForm(deleted, "карта удалена", "карты удалены", "карт удалено") +
           " из " + Quoted(dev);
}

std::string AddressText(const std::string& name, int from, int to, bool changed) {
    if (!changed) return "Адрес прибора «" + name + "» не изменён";
    return "Адрес прибора «" + name + "» изменён: " + std::to_string(from) + " → " + std::to_string(to);
}

}  // namespace pelko
