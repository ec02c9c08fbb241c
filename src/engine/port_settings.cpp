#include "engine/port_settings.h"

namespace pelko {

void ApplyPortSettings(TPelkoSession& session, const ProgramSettings& s) {
    session.SetCircle(static_cast<std::uint32_t>(s.CircleFind));
    session.SetComPort(static_cast<std::uint8_t>(s.NComPort));
    session.SetIntervalTimeOut(s.IntervalTO);
    session.SetMax_Attempt(SessionMaxAttempt(s.MaxAttempt));
    session.SetSmartPI(s.SmartPI);
    session.SetTailinUS(s.TailinUS);
    session.SetTimeOutConstant(s.TOConstant);
    session.SetTimeOutMultiplier(s.TOMultiplier);
}

}  // namespace pelko
