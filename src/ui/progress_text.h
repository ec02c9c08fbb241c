#pragma once
// What the progress window says inside it (the window manager cuts titles):
// the operation, the controller as k of n, how far it has got and, once it
// can be told, the time left.
#include <chrono>
#include <string>
#include <vector>

#include "engine/progress.h"

namespace pelko {

class TProgressText {
public:
    using Clock = std::chrono::steady_clock;

    // devices: the names of the controllers a group operation goes through,
    // in order; empty for one controller.
    void Start(std::vector<std::string> devices);
    void Caption(const std::string& caption);
    void Bar(const TProgressBar& bar, Clock::time_point now);
    std::string Text() const;
    // The operation as the caption names it, without its percentage.
    const std::string& Operation() const { return FOperation; }
    // Whether the last bar reached its end.
    bool Finished() const { return !FHasBar || FBar.Marquee || FBar.Position >= FBar.Max; }
    int Done() const { return FBar.Position - FBar.Min; }
    int Total() const { return FBar.Max - FBar.Min; }

private:
    std::vector<std::string> FDevices;
    std::string FOperation;
    int FDevice = -1;  // index in FDevices of the controller the caption names
    TProgressBar FBar;
    bool FHasBar = false;
    Clock::time_point FSince{};
    int FSincePos = 0;
    Clock::time_point FNow{};
};

// "1 мин 20 с", "45 с".
std::string DurationText(int seconds);

}  // namespace pelko
