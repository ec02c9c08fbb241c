#pragma once
// Reset of a controller to its factory state and its restore: after the
// reset it answers at address 1, 9600 baud, to the factory password; the
// operation waits for its restart on the caller's clock, gives it back its
// address, the program's speed and its own password.
#include <cstdint>
#include <optional>

#include "engine/op_chain.h"

namespace pelko {

class TResetOp : public TChainOp {
public:
    // restoreParams: the block a controller whose parameters were never read
    // is given back; the program's defaults when none.
    TResetOp(TEngineCore& core, DevIndex device, const std::optional<TDevConfig>& restoreParams)
        : TChainOp(core, osReset), FIndex(device), FRestore(restoreParams) {}

    void Start() override;
    void OnPortLost() override;

private:
    enum Stage { Reset, RestoreLogin, WriteConfig, RestorePass };
    void CheckAddressOne();
    void AddressOneTaken();
    void SendReset();
    void ResetAnswered(const TAnswer& a);
    void RestartWait(int seconds);
    void Restarted();
    void LoginAtFactory();
    void LoggedIn();
    void ConfigAnswered(const TAnswer& a);
    void ConfigLost();
    void ConfigWritten();
    void RestorePassword();
    void PassAnswered(const TAnswer& a);
    void PassKept(int took);
    void AtFactory();
    void Failed(const char* text, bool opened = false);
    TConfPelko* Dev() { return C.Device(FIndex); }
    std::uint8_t Own() { return TEngineCore::AdrOf(*Dev()); }

    DevIndex FIndex;
    std::optional<TDevConfig> FRestore;
    Stage FStage = Reset;   // how far the reset got
    bool FUnacked = false;  // the reset's acknowledgement never came
    TDevConfig FBlock{};    // the parameters it is given back
};

}  // namespace pelko
