#pragma once
// Reading and writing the cells of one device or of every opened device, one
// cell per request, in ascending order: a read asks every cell 0..1009 and
// merges each into the model; a write (op_write_cards.h) sends the model's
// cells and leaves the model as it is. A cell that failed is tried once more
// at the device's end; what still failed, and a device that stopped
// answering, are named when the operation ends.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/card_check.h"
#include "engine/engine_core.h"

namespace pelko {

class TBulkCardsOp : public TOperation {
public:
    enum Step { Login, Cell, Retry, Confirm, Quiet };
    // One device (by index), or every opened device from the first.
    TBulkCardsOp(TEngineCore& core, DevIndex device, bool all) : TOperation(core), FIndex(device), FAll(all) {}

    void Start() override { StartDevice(); }
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;
    void OnPortLost() override;
    void OnDoubt(int step, const Bytes& body) override;
    void OnQuiet(int step) override;

protected:
    // The request for a cell, and what its answer means: true when the cell
    // is done with (read and merged, or written).
    virtual void RequestCell(std::uint16_t cell, int step) = 0;
    virtual bool CellDone(std::uint16_t cell, const TAnswer& a) = 0;
    virtual const char* NotDoneOne() const = 0;   // "не считана"
    virtual const char* NotDoneMany() const = 0;  // "не считаны"
    virtual const char* CardsNot() const = 0;     // "карты не считаны"
    // Logged in: by default on to the cells at once.
    virtual void LoggedIn() {
        C.StepIt();
        RunCells();
    }
    // The cells of the device about to start, in order; all by default.
    virtual std::vector<std::uint16_t> FirstCells();
    // Works through cells (in place of the first ones), then DeviceDone.
    void SetCells(std::vector<std::uint16_t> cells) { FCells = std::move(cells); }
    void RunCells();
    std::size_t CellCount() const { return FCells.size(); }
    virtual void Advanced() {}  // on to the next cell
    // A cell whose answer is in doubt is asked again after quiet (a read);
    // a write leaves it to its read-back.
    virtual bool Rereads() const { return false; }
    // The cell's answer is in doubt: the model goes back to what it held.
    virtual void Revert(std::uint16_t /*cell*/) {}

    // Every cell of the device has had its turn; on to the next device or the end.
    virtual void DeviceDone();
    // Cells of the device being worked on that are done with.
    const std::vector<bool>& CellsDoneHere() const { return FDone; }

    std::uint8_t Adr() { return TEngineCore::AdrOf(*C.Device(FIndex)); }
    DevIndex FIndex;
    bool FAll;

private:
    void StartDevice();
    void CellAnswered(const TAnswer& a);
    void RetryAnswered(const TAnswer& a);
    void NextCell();
    void ConfirmDoubts();
    void ConfirmAnswered(const TAnswer& a);
    void NextDevice();
    void Finish(bool stop);
    void NothingDone(const char* why);
    void ReportLeft(const char* why);

    std::vector<std::uint16_t> FCells;   // this device's, in order
    std::size_t FAt = 0;                 // FCells[FAt] is asked
    std::vector<bool> FDone;             // cells of this device done with
    std::vector<std::uint16_t> FFailed;  // cells of this device not yet done
    std::size_t FRetryAt = 0;
    int FMissed = 0;  // failures in a row
    std::vector<std::uint16_t> FDoubted;     // answered, then put in doubt: asked again
    std::vector<std::uint16_t> FConfirming;  // being asked again
    std::size_t FConfirmAt = 0;
    int FConfirmRounds = 0;
    struct Report {
        std::uint8_t adr;
        std::vector<std::uint16_t> cells;  // empty: nothing was done
        const char* why;                   // when nothing was done
    };
    std::vector<Report> FReports;
};

class TReadCardsOp : public TBulkCardsOp {
public:
    using TBulkCardsOp::TBulkCardsOp;
    TOperState State() const override { return FAll ? osReadAll : osReadSelected; }
    void Start() override;

private:
    void RequestCell(std::uint16_t cell, int step) override;
    bool CellDone(std::uint16_t cell, const TAnswer& a) override;
    const char* NotDoneOne() const override { return "не считана"; }
    const char* NotDoneMany() const override { return "не считаны"; }
    const char* CardsNot() const override { return "карты не считаны"; }
    void Advanced() override { C.StepIt(); }
    bool Rereads() const override { return true; }
    void Revert(std::uint16_t cell) override;
    // What the model held before this read stored each cell, per device.
    DevIndex FBeforeOf = NoDevice;
    std::map<std::uint16_t, std::optional<TCard>> FBefore;
};

}  // namespace pelko
