#include "engine/card_check.h"

#include <algorithm>
#include <iterator>

#include "engine/change_tally.h"
#include "engine/engine_core.h"

namespace pelko {
namespace {

// Times a cell's answer may be put in doubt before it counts as unread.
constexpr int kDoubtRounds = 3;

}  // namespace

void TCellReadBack::Begin(std::vector<std::uint16_t> cells) {
    FQueue = std::move(cells);
    FFirstPass = FQueue.size();
    FAt = 0;
    FMissed = 0;
    FDoubts.clear();
}

void TCellReadBack::Answered(const TAnswer& a, const TCode& expected, TCardCheck& into) {
    const std::uint16_t cell = Cell();
    ++FAt;
    if (a.Complete()) {
        FMissed = 0;
        if (!SameCode(a.Code(), expected)) into.differ.push_back({cell, expected, a.Code()});
        return;
    }
    if (FAt <= FFirstPass) {
        FQueue.push_back(cell);
        if (++FMissed >= kCellsMissedToGiveUp) {
            // The rest of the first pass would each cost every attempt's time-out.
            for (std::size_t i = FAt; i < FFirstPass; ++i) into.unread.push_back(FQueue[i]);
            FQueue.erase(FQueue.begin() + static_cast<std::ptrdiff_t>(FAt),
                         FQueue.begin() + static_cast<std::ptrdiff_t>(FFirstPass));
            FFirstPass = FAt;
        }
        return;
    }
    into.unread.push_back(cell);
}

void TCellReadBack::Abandon(TCardCheck& into) {
    std::vector<std::uint16_t> left(FQueue.begin() + static_cast<std::ptrdiff_t>(FAt), FQueue.end());
    // A cell both in the first pass and queued again is named once.
    std::sort(left.begin(), left.end());
    left.erase(std::unique(left.begin(), left.end()), left.end());
    into.unread.insert(into.unread.end(), left.begin(), left.end());
    FAt = FQueue.size();
}

void TCellReadBack::Doubt(std::uint16_t cell, TCardCheck& into) {
    const auto asked = FQueue.begin() + static_cast<std::ptrdiff_t>(FAt);
    if (std::find(FQueue.begin(), asked, cell) == asked) return;  // not answered yet
    if (std::find(asked, FQueue.end(), cell) != FQueue.end()) return;  // asked again already
    std::erase_if(into.differ, [cell](const TCellDiff& d) { return d.cell == cell; });
    if (std::find(into.unread.begin(), into.unread.end(), cell) != into.unread.end()) return;
    if (++FDoubts[cell] > kDoubtRounds) {
        into.unread.push_back(cell);
        return;
    }
    FQueue.push_back(cell);
}

std::vector<std::uint16_t> TCellReadBack::Drop(const std::function<bool(std::uint16_t)>& drop) {
    std::vector<std::uint16_t> out;
    if (FAt >= FFirstPass) return out;
    const auto from = FQueue.begin() + static_cast<std::ptrdiff_t>(FAt);
    const auto to = FQueue.begin() + static_cast<std::ptrdiff_t>(FFirstPass);
    std::copy_if(from, to, std::back_inserter(out), drop);
    const auto kept = std::stable_partition(from, to, [&](std::uint16_t c) { return !drop(c); });
    FQueue.erase(kept, to);
    FFirstPass -= out.size();
    return out;
}

std::string CellCodeText(const TCode& code) { return SameCode(code, EmptyCode) ? "-" : CodeToText(code); }

std::string WriteCheckText(const TCardCheck& check) {
    const std::size_t wrong = check.differ.size() + check.unread.size();
    const std::size_t confirmed = check.written > wrong ? check.written - wrong : 0;
    std::string text = "записано " + std::to_string(check.written) + ", подтверждено " + std::to_string(confirmed) +
                       ", не совпало " + std::to_string(check.differ.size());
    if (!check.differ.empty()) {
        std::vector<std::uint16_t> cells;
        for (const TCellDiff& d : check.differ) cells.push_back(d.cell);
        text += (cells.size() == 1 ? ": ячейка " : ": ячейки ") + CellRanges(cells);
    }
    if (!check.unread.empty())
        text += std::string(check.unread.size() == 1 ? "; не удалось проверить ячейку " : "; не удалось проверить ячейки ") +
                CellRanges(check.unread);
    if (check.unchanged > 0) text += "; без записи совпадали " + std::to_string(check.unchanged);
    return text;
}

}  // namespace pelko
