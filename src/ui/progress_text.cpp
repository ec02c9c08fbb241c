#include "ui/progress_text.h"

#include <regex>

namespace pelko {
namespace {

constexpr auto kEstimateAfter = std::chrono::milliseconds(1500);  // early rates mislead

}  // namespace

std::string DurationText(int seconds) {
    if (seconds < 60) return std::to_string(seconds) + " с";
    return std::to_string(seconds / 60) + " мин " + std::to_string(seconds % 60) + " с";
}

void TProgressText::Start(std::vector<std::string> devices) {
    FDevices = std::move(devices);
    FOperation.clear();
    FDevice = -1;
    FHasBar = false;
}

void TProgressText::Caption(const std::string& caption) {
    static const std::regex percent(R"(\s*:\s*\d+\s*%\.?\s*$)");
    FOperation = std::regex_replace(caption, percent, "");
    // The longest name the caption ends with: "Прибор: 1" is also in "Прибор: 12".
    FDevice = -1;
    std::size_t best = 0;
    for (std::size_t i = 0; i < FDevices.size(); ++i) {
        const std::string& name = FDevices[i];
        if (name.size() > best && FOperation.size() >= name.size() &&
            FOperation.compare(FOperation.size() - name.size(), name.size(), name) == 0) {
            FDevice = static_cast<int>(i);
            best = name.size();
        }
    }
}

void TProgressText::Bar(const TProgressBar& bar, Clock::time_point now) {
    // A new bar (the next controller's) or one that went back starts the timing again.
    if (!FHasBar || bar.Max != FBar.Max || bar.Min != FBar.Min || bar.Position < FBar.Position) {
        FSince = now;
        FSincePos = bar.Position;
    }
    FBar = bar;
    FHasBar = true;
    FNow = now;
}

std::string TProgressText::Text() const {
    std::string text = FOperation;
    if (FDevice >= 0)
        text += "\nПрибор " + std::to_string(FDevice + 1) + " из " + std::to_string(FDevices.size());
    if (!FHasBar || FBar.Marquee || FBar.Max <= FBar.Min) return text;
    text += "\nВыполнено: " + std::to_string(FBar.Position - FBar.Min) + " из " + std::to_string(FBar.Max - FBar.Min);
    const int done = FBar.Position - FSincePos;
    const auto elapsed = FNow - FSince;
    if (done > 0 && elapsed >= kEstimateAfter && FBar.Position < FBar.Max) {
        const double perStep = std::chrono::duration<double>(elapsed).count() / done;
        text += "\nОсталось около " + DurationText(static_cast<int>(perStep * (FBar.Max - FBar.Position) + 0.5));
    }
    return text;
}

}  // namespace pelko
