#pragma once
// What the requests of the engine did to the controllers, told from the
// requests and their answers alone, so every operation is counted the same
// way: cells written, parameters, addresses, passwords and resets per
// controller for the journal, and each controller's cells as last read,
// each known until something is written to it: read whole, they serve as
// the controller's backup, and a bulk write sends only what differs.
#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "engine/change_recorder.h"
#include "engine/operation.h"
#include "engine/request_bodies.h"
#include "model/conf_pelko.h"

namespace pelko {

class TChangeTally {
public:
    // The request body and its answer (the failure answer when none came).
    void Answered(const Bytes& body, const TAnswer& a);
    // A parameter block written with a blocking exchange.
    void ConfigWritten(std::uint8_t adr, const TDevConfig& block, bool ok);
    // A password change without an answer was found by login to have taken.
    void PassTook(std::uint8_t adr);
    // The answer to this request may have been another's (see OnDoubt).
    void Doubted(const Bytes& body);

    // What the controller at adr holds, cell by cell, as far as known.
    struct Cells {
        std::array<TCode, kCellCount> codes{};
        std::bitset<kCellCount> read;
    };
    Cells KnownCells(std::uint8_t adr) const;

    // The cards of the controller at adr, when every cell was read since it
    // last changed: into gets them, user names taken from named where the
    // same card is in the same cell, or else the same code elsewhere.
    bool Known(std::uint8_t adr, const TConfPelko& named, TConfPelko& into) const;

    void ForgetReads() { FRead.clear(); }
    void Forget(std::uint8_t adr) { FRead.erase(adr); }

    bool Empty() const { return FChanges.empty(); }
    // One entry per controller changed since the last call; label names it.
    std::vector<TJournalEntry> Take(const std::string& operation,
                                    const std::function<std::string(std::uint8_t)>& label);

private:
    struct Change {
        std::set<std::uint16_t> written, failed;
        std::map<std::uint16_t, TCode> sent;  // the code last written to each cell
        std::set<std::uint16_t> confirmed;    // read back holding it
        int passOk = 0, passFailed = 0;
        int resetOk = 0, resetFailed = 0;
        int configOk = 0, configFailed = 0;
        // Address changes (from, to) and whether the controller took them.
        std::map<std::pair<std::uint8_t, std::uint8_t>, bool> moves;
        std::uint8_t speedCode = 0;
    };
    void CellRead(std::uint8_t adr, std::uint16_t cell, const TCode& code);
    static std::string Describe(const Change& c);
    static std::string Result(const Change& c);

    std::map<std::uint8_t, Change> FChanges;
    std::map<std::uint8_t, Cells> FRead;
};

// The journal's name for what an operation of this state does.
std::string OperationTitle(TOperState state);

// "1, 5, 7–12": cell numbers as a short list.
std::string CellRanges(std::vector<std::uint16_t> cells);

}  // namespace pelko
