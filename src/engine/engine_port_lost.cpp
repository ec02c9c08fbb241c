// The port went away under the engine (an unplugged adapter). The session
// has already closed it and dropped what was queued: the operation ends now,
// with the port named, instead of running on through failed answers and
// looking finished.
#include "engine/engine.h"

namespace pelko {

void TEngine::PelkoSession1PortLost(const std::string& Message) {
    if (OperState != osIdle && OperState != osNone) EndOper();
    for (DevIndex i = 0; i < FGroup.Count(); ++i) FGroup.ClearState(i, dfConnected);
    FHost.UpdateGridDev();
    FHost.UpdateControls();
    FHost.ShowMessage(kCaptionMessage, Message, TMsgIcon::Error);
    // A password change whose answer will never come may still have taken.
    if (FStandPassCheck) OnStandPassAnswer(TAnswer(Bytes(6, 0)));
}

}  // namespace pelko
