#include "engine/preflight.h"

#include "model/dev_config.h"

namespace pelko {
namespace {

constexpr std::size_t kNamedDevices = 8;  // more would not fit a box

std::string Quoted(const TConfPelko& dev) { return "«" + dev.Name + "»"; }

std::string WriteLine(const TConfPelko& dev, const std::set<int>& read) {
    const int n = dev.UserCount() + dev.MasterCount();
    const bool one = n % 10 == 1 && n % 100 != 11;
    std::string line = "В прибор " + Quoted(dev) + (one ? " будет записана " : " будут записаны ") + CardsCount(n) +
                       "; остальные ячейки будут очищены";
    if (read.count(dev.Config[kAdrByte]) == 0) line += " (его карты в этом сеансе не считывались)";
    return line;
}

}  // namespace

const char* PluralForm(int n, const char* one, const char* few, const char* many) {
    const int tens = n % 100, ones = n % 10;
    if (tens >= 11 && tens <= 14) return many;
    if (ones == 1) return one;
    return ones >= 2 && ones <= 4 ? few : many;
}

std::string CardsCount(int n) { return std::to_string(n) + " " + PluralForm(n, "карта", "карты", "карт"); }

TPreflight ResetPreflight(const TConfPelko& dev) {
    return {"Все карты прибора " + Quoted(dev) + " будут стёрты.\r\n", "Сбросить прибор?"};
}

TPreflight WritePreflight(const std::vector<const TConfPelko*>& devs, const std::set<int>& read) {
    std::string text;
    for (std::size_t i = 0; i < devs.size() && i < kNamedDevices; ++i) text += WriteLine(*devs[i], read) + ".\r\n";
    if (devs.size() > kNamedDevices) {
        std::size_t unread = 0;
        for (std::size_t i = kNamedDevices; i < devs.size(); ++i) unread += read.count(devs[i]->Config[kAdrByte]) == 0;
        text += "И ещё в " + std::to_string(devs.size() - kNamedDevices) + " приб. будут записаны их карты";
        if (unread > 0) text += " (у " + std::to_string(unread) + " из них карты в этом сеансе не считывались)";
        text += ".\r\n";
    }
    return {text, "Записать карты?"};
}

}  // namespace pelko
