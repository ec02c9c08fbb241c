#pragma once
// Reset of a controller to its factory state and its restore: after the
// reset it answers at address 1, 9600 baud, to the factory password; the
// operation waits for its restart, gives it back its address, the program's
// speed and its own password.
#include <cstdint>

#include "engine/engine_core.h"

namespace pelko {

class TResetOp : public TOperation {
public:
    enum Step { Reset, RestoreLogin, WriteConfig, RestorePass };
    TResetOp(TEngineCore& core, DevIndex device) : TOperation(core), FIndex(device) {}

    TOperState State() const override { return osReset; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;
    void OnTimer() override;
    void OnPortLost() override;

private:
    void ResetAnswered(const TAnswer& a);
    void ConfigAnswered(const TAnswer& a);
    void PassAnswered(const TAnswer& a);
    void RestartWait();
    void LoggedIn();
    void ConfigWritten();
    void ConfigLost();
    void PassUnsure();
    void AtFactory();
    void PassKept(int took);
    void Failed(const char* text, bool opened = false);
    TConfPelko* Dev() { return C.Device(FIndex); }

    DevIndex FIndex;
    Step FStep = Reset;     // how far the reset got
    bool FUnacked = false;  // the reset's acknowledgement never came
    TDevConfig FBlock{};    // the parameters it is given back
    bool FWaiting = false;  // the restart wait runs on the timer
    int FTicks = 0;         // of it, so far
};

}  // namespace pelko
