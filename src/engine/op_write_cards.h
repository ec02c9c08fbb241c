#pragma once
// The bulk write: each device's cells from the model, then read back.
//
// A device is written from what the program knows it holds (the change
// tally: cells read since they were last written, by a backup, a read or
// an earlier write's read-back). Only the cells that differ are written and
// read back. Cells not known are read first; a few known cells are read
// again before the knowledge is trusted, and when one has changed (another
// controller at that address, cards added at the controller) every cell is
// read. While those reads keep finding card cells that differ (a fresh
// controller), the rest of the card cells are written without reading: a
// write and its read-back then cost less than a read that leads to both. With
// allCells every cell is written and read back.
#include <bitset>
#include <cstdint>
#include <map>
#include <vector>

#include "engine/card_check.h"
#include "engine/op_bulk_cards.h"

namespace pelko {

// Reads of cells that should hold a card and led to a write: once most do
// (a fresh controller), reading the rest of them first is the slower way.
// Cells that should be free are always read: past the end of a list they
// are mostly free already.
class TBlindWrites {
public:
    void Saw(bool differs) {
        ++FSeen;
        FDiffer += differs ? 1 : 0;
    }
    bool Blind() const;

private:
    int FSeen = 0;
    int FDiffer = 0;
};

// Known cells read again before a write trusts what it knows of the
// controller: the first and last known card, the first known cell, and the
// first free cells overall and after the last card, where cards added at
// the controller itself go.
std::vector<std::uint16_t> SpotCells(const std::bitset<kCellCount>& known, const std::vector<bool>& card);

class TWriteCardsOp : public TBulkCardsOp {
public:
    enum { Verify = Quiet + 1, VerifyQuiet, Learn, LearnQuiet };
    TWriteCardsOp(TEngineCore& core, DevIndex device, bool all, bool allCells)
        : TBulkCardsOp(core, device, all), FAllCells(allCells) {}
    TOperState State() const override { return FAll ? osWriteAll : osWriteSelected; }
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;
    void OnPortLost() override;
    void OnDoubt(int step, const Bytes& body) override;
    void OnQuiet(int step) override;
    // One per device the write reached, in the order written; the last may
    // be unfinished when the user cancelled.
    const std::vector<TCardCheck>& Checks() const { return FChecks; }
    // Stopped mid read-back (Cancel, a lost port): the rest is unread.
    void Settle();

private:
    std::vector<std::uint16_t> FirstCells() override { return {}; }
    void LoggedIn() override;
    void DeviceDone() override;
    void RequestCell(std::uint16_t cell, int step) override;
    bool CellDone(std::uint16_t cell, const TAnswer& a) override;
    const char* NotDoneOne() const override { return "не записана"; }
    const char* NotDoneMany() const override { return "не записаны"; }
    const char* CardsNot() const override { return "карты не записаны"; }

    // --- reading first ---
    void LearnFrom(std::vector<std::uint16_t> cells);
    void LearnNext();
    void LearnAnswered(const TAnswer& a);
    void Relearn();
    void Learnt();
    TCode Wanted(std::uint16_t cell);
    void StartWriting();

    // --- reading back ---
    void VerifyNext();
    void Verified();

    bool FAllCells;
    TCellReadBack FLearn;
    TCardCheck FLearnt;                       // against FExpected: differ, unread
    std::map<std::uint16_t, TCode> FExpected;  // spot cells: what was known
    int FPosition = 0;  // cells written so far
    TBlindWrites FBlind;

    TCellReadBack FReadBack;
    std::vector<TCardCheck> FChecks;
    bool FVerifying = false;
};

}  // namespace pelko
