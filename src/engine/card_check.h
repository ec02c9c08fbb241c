#pragma once
// A controller's cells read back and set beside the model: after a bulk
// write (did every cell take?) and for the comparison the user asks for.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "engine/request_bodies.h"
#include "model/conf_pelko.h"

namespace pelko {

// Cells silent in a row before a controller counts as gone in a bulk
// transfer or a read-back: the rest would each cost every attempt's time-out.
inline constexpr int kCellsMissedToGiveUp = 5;

// EmptyCode stands for a free cell on either side.
struct TCellDiff {
    std::uint16_t cell = 0;
    TCode model = EmptyCode;
    TCode device = EmptyCode;
};

struct TCardCheck {
    std::uint8_t adr = 0;
    bool reached = false;         // logged in and read
    std::uint16_t written = 0;    // cells a write had acknowledged
    std::uint16_t unchanged = 0;  // cells that held the wanted code already: not written
    std::vector<TCellDiff> differ;
    std::vector<std::uint16_t> unread;  // could not be read back: not known to match
    bool Matches() const { return reached && differ.empty() && unread.empty(); }
};

// Reads cells back one at a time, in order; a cell that brought no whole
// code is asked once more after the others. Several silent cells in a row
// mean the controller has gone: the rest counts as unread.
class TCellReadBack {
public:
    void Begin(std::vector<std::uint16_t> cells);
    bool Done() const { return FAt >= FQueue.size(); }
    std::uint16_t Cell() const { return FQueue[FAt]; }
    std::size_t Position() const { return FAt; }  // cells asked so far
    std::size_t Total() const { return FQueue.size(); }
    // The answer to Cell(); expected is what the cell should hold.
    void Answered(const TAnswer& a, const TCode& expected, TCardCheck& into);
    // Stopped early: what was not read is named.
    void Abandon(TCardCheck& into);
    // The answer taken for an asked cell may have been another's: what it
    // said is forgotten and the cell is asked again after the others; one
    // doubted too often is named unread.
    void Doubt(std::uint16_t cell, TCardCheck& into);
    // The first-pass cells not asked yet for which drop says so leave the
    // queue, returned in order: they will not be read.
    std::vector<std::uint16_t> Drop(const std::function<bool(std::uint16_t)>& drop);

private:
    std::vector<std::uint16_t> FQueue;
    std::size_t FFirstPass = 0;  // FQueue[0..FFirstPass) are first asks
    std::size_t FAt = 0;
    int FMissed = 0;
    std::map<std::uint16_t, int> FDoubts;
};

// "записано 12, подтверждено 9, не совпало 2: ячейки 7, 12; не удалось
// проверить ячейку 9; без записи совпадали 998"
std::string WriteCheckText(const TCardCheck& check);
// Ten hex digits, or "-" for a free cell.
std::string CellCodeText(const TCode& code);

}  // namespace pelko
