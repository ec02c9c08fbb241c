#include "engine/engine_file_host.h"

#include "engine/port_settings.h"

namespace pelko {

void EngineFileHost::GroupDiscarded() { FObserver.OnChanged({chDevices | chCards | chDeviceParams, -1}); }

void EngineFileHost::GroupMarkedForSave() { FObserver.OnChanged({chDevices | chDeviceParams, -1}); }

void EngineFileHost::RestartSessionAtSpeed(std::int32_t portBaudRate) {
    FSession.SetActive(false);
    FSession.SetPortBaudRate(portBaudRate);
    FSession.SetActive(true);
}

void EngineFileHost::RestartSessionWithPortSettings(const ProgramSettings& s) {
    FSession.SetActive(false);
    ApplyPortSettings(FSession, s);
    FSession.SetActive(true);
}

}  // namespace pelko
