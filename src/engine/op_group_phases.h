#pragma once
// Carrying a new common password and a new line speed into every device of
// the group: the password phase, then (or alone) the speed phase, which
// switches the port only after the last device.
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine/op_chain.h"

namespace pelko {

// What the speed phase left: blocks confirmed written, and blocks sent whose
// answer was lost, per address.
struct TSpeedOutcome {
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::map<std::uint8_t, TDevConfig> moved;
    std::map<std::uint8_t, TDevConfig> unsure;
};

class TGroupPhasesOp : public TChainOp {
public:
    enum Step { PassLogin, PassReadConfig, PassChange, SpeedLogin, SpeedWrite };
    // dropClosed: devices not open when the speed phase starts are dropped
    // (else the speed stays); params: blocks for devices whose parameters
    // were never read, by address.
    TGroupPhasesOp(TEngineCore& core, bool passwordChanged, bool speedChanged, bool dropClosed,
                   std::map<std::uint8_t, TDevConfig> params)
        : TChainOp(core, osSetStandPass),
          FPassword(passwordChanged),
          FSpeed(speedChanged),
          FDropClosed(dropClosed),
          FParams(std::move(params)) {}

    TOperState State() const override { return FSpeedPhase ? osSetSpeed : osSetStandPass; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;
    // Cancel ends the phase in a state the controllers share: what they
    // confirmed is kept, and the port follows the speed they now have.
    void Cancelled();
    void OnPortLost() override;
    // Once it ended: the operation that moves the port to the controllers'
    // new speed and names those left behind, when the speed phase ran.
    std::unique_ptr<TOperation> TakeFinish();

private:
    bool NeedsStandPass(DevIndex i);
    void StartPasswordPhase();
    void AskPassDevice();
    void PassAnswered(int step, const TAnswer& a);
    void PassNext();
    void PassPhaseDone();
    bool StartSpeedPhase();
    void SpeedPhaseEmpty();
    void DropClosedDevices();
    void SpeedAnswered(int step, const TAnswer& a);
    void SpeedLoggedIn(const TAnswer& a);
    void SpeedDeviceDone();
    void FinishSpeedPhase();
    void ReportPassUnsure();
    std::uint8_t Adr() { return TEngineCore::AdrOf(*C.Device(FIndex)); }

    bool FPassword;
    bool FSpeed;
    bool FDropClosed;
    std::map<std::uint8_t, TDevConfig> FParams;
    bool FFinish = false;  // the speed phase ran: the port follows after
    bool FSpeedPhase = false;
    bool FSpeedRunning = false;
    DevIndex FIndex = 0;
    TCode FCurPass = ZeroCode;  // the device's password before the change
    TDevConfig FBlock{};         // the block on the line
    int FSpeedBase = 0;          // bar position where the speed phase began
    TSpeedOutcome FOut;
    std::vector<std::string> FPassUnsure;   // password changes that could not be checked
    std::vector<std::string> FPassRefused;  // answered, and still take the old password
};

// After the speed phase: the port goes to the speed most controllers now
// have; a write whose answer was lost is checked there, and each controller
// that does not answer is looked for at the other speed and named.
class TSpeedFinishOp : public TChainOp {
public:
    TSpeedFinishOp(TEngineCore& core, TSpeedOutcome out) : TChainOp(core, osSetSpeed), FOut(std::move(out)) {}
    void Start() override;

private:
    void CheckUnsure(std::size_t k);
    void Settle();
    void Look(std::size_t k);
    void Named();
    TSpeedOutcome FOut;
    std::vector<std::uint8_t> FUnsureAdrs;
    std::vector<std::uint8_t> FCandidates;
    std::int32_t FOther = 0;
    std::vector<std::string> FThere, FNowhere;
};

}  // namespace pelko
