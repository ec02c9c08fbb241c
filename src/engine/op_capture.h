#pragma once
// Taking a card's code from a real card held to the selected controller's
// reader: the worker's card poll reports it. The code goes into the shown
// list's current row; with AutoWriteKey it is written into the controller
// first, and a controller without master cards also gets master cell 1000.
#include <memory>

#include "engine/engine_core.h"

namespace pelko {

class TCaptureOp : public TOperation {
public:
    TCaptureOp(TEngineCore& core, int row) : TOperation(core), FRow(row) {}

    TOperState State() const override { return FWrite ? FWrite->State() : osCaptureCode; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override { return FWrite ? FWrite->StepName(step) : "wait for a card"; }
    void OnTimer() override;
    bool Ticking() const override { return !FWrite && FWaiting; }
    void OnCardHeld(const Bytes& answer) override;

private:
    void StopWaiting();
    // The writes that follow the capture, run inside it.
    std::unique_ptr<TOperation> FWrite;
    int FRow;  // the card the code goes into
    bool FWaiting = true;  // no card held yet: the bar runs on the clock
};

}  // namespace pelko
