#pragma once
// Reading and writing every cell 0..1009 of one device or of every opened
// device, one cell per request. A read merges each cell into the model; a
// write sends the model's cells and leaves the model as it is.
#include <cstdint>

#include "engine/engine_core.h"

namespace pelko {

class TReadCardsOp : public TOperation {
public:
    enum Step { Login, ReadCell };
    // One device (by index), or every opened device from the first.
    TReadCardsOp(TEngineCore& core, DevIndex device, bool all) : TOperation(core), FIndex(device), FAll(all) {}

    TOperState State() const override { return FAll ? osReadAll : osReadSelected; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override { return step == Login ? "login" : "read cell"; }

private:
    void LoggedIn(const TAnswer& a);
    void CellRead(const TAnswer& a);
    void StartDevice();
    void NextDevice();
    std::uint8_t Adr() { return TEngineCore::AdrOf(*C.Device(FIndex)); }

    DevIndex FIndex;
    bool FAll;
    std::uint16_t FCell = 0;
};

class TWriteCardsOp : public TOperation {
public:
    enum Step { Login, WriteCell };
    TWriteCardsOp(TEngineCore& core, DevIndex device, bool all) : TOperation(core), FIndex(device), FAll(all) {}

    TOperState State() const override { return FAll ? osWriteAll : osWriteSelected; }
    void Start() override { StartDevice(); }
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override { return step == Login ? "login" : "write cell"; }

private:
    void StartDevice();
    void WriteNext();
    void Write();

    DevIndex FIndex;
    bool FAll;
    std::uint16_t FCell = 0;
    bool FLastFailed = false;  // two failed cells in a row end the write
};

}  // namespace pelko
