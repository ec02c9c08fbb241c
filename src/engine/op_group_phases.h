#pragma once
// Carrying a new common password and a new line speed into every device of
// the group: the password phase, then (or alone) the speed phase, which
// switches the port only after the last device.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "engine/engine_core.h"

namespace pelko {

class TGroupPhasesOp : public TOperation {
public:
    enum Step { PassLogin, PassReadConfig, PassChange, SpeedLogin, SpeedWrite };
    TGroupPhasesOp(TEngineCore& core, bool passwordChanged, bool speedChanged)
        : TOperation(core), FPassword(passwordChanged), FSpeed(speedChanged) {}

    TOperState State() const override { return FSpeedPhase ? osSetSpeed : osSetStandPass; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;
    // Cancel ends the phase in a state the controllers share: what they
    // confirmed is kept, and the port follows the speed they now have.
    void Cancelled();
    void OnPortLost() override;

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
    void NameLeftBehind(std::int32_t other);
    void PortLost(std::int32_t from, std::int32_t to);
    void NameWhereTheyAre(std::int32_t from, std::int32_t to);
    void ReportPassUnsure();
    std::uint8_t Adr() { return TEngineCore::AdrOf(*C.Device(FIndex)); }

    bool FPassword;
    bool FSpeed;
    bool FSpeedPhase = false;
    bool FSpeedRunning = false;
    DevIndex FIndex = 0;
    TCode FCurPass = ZeroCode;  // the device's password before the change
    TDevConfig FBlock{};         // the block on the line
    int FSpeedBase = 0;          // bar position where the speed phase began
    std::int32_t FSpeedFrom = 0;
    // The speed phase's outcome per address: blocks confirmed written, and
    // blocks sent whose answer was lost.
    std::map<std::uint8_t, TDevConfig> FMoved;
    std::map<std::uint8_t, TDevConfig> FUnsure;
    std::vector<std::string> FPassUnsure;
    std::vector<std::string> FPassRefused;  // answered, and still take the old password  // password changes that could not be checked
};

}  // namespace pelko
