#include "engine/engine_file_host.h"

namespace pelko {

void EngineFileHost::GroupDiscarded() {
    FHost.UpdateGridDev();
    FEngine.RefreshCardList();
    FHost.UpdateInspDev();
}

void EngineFileHost::GroupMarkedForSave() {
    FHost.UpdateGridDev();
    FHost.UpdateInspDev();
}

void EngineFileHost::RestartSessionAtSpeed(std::int32_t portBaudRate) {
    FSession.SetActive(false);
    FSession.SetPortBaudRate(portBaudRate);
    FSession.SetActive(true);
}

void EngineFileHost::RestartSessionWithPortSettings(const ProgramSettings& s) {
    FSession.SetActive(false);
    FSession.SetCircle(static_cast<std::uint32_t>(s.CircleFind));
    FSession.SetComPort(static_cast<std::uint8_t>(s.NComPort));
    FSession.SetIntervalTimeOut(s.IntervalTO);
    FSession.SetMax_Attempt(SessionMaxAttempt(s.MaxAttempt));
    FSession.SetSmartPI(s.SmartPI);
    FSession.SetTailinUS(s.TailinUS);
    FSession.SetTimeOutConstant(s.TOConstant);
    FSession.SetTimeOutMultiplier(s.TOMultiplier);
    FSession.SetActive(true);
}

}  // namespace pelko
