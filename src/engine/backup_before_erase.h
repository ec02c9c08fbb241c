#pragma once
// Before a reset or a bulk write erases a controller's cells, its cards are
// saved through the recorder: from this session's read when nothing was
// written to it since, or else read first when the recorder asks for it.
#include "engine/engine_core.h"

namespace pelko {

// False when the erase must not go on: the read was cancelled, the port is
// unavailable, or no backup could be made and the user said no.
bool BackupBeforeErase(TEngineCore& core, DevIndex device);
// The same for every opened device, in group order.
bool BackupOpenedBeforeErase(TEngineCore& core);

inline constexpr const char* kBackupCaptionPrefix = "Резервная копия. ";

}  // namespace pelko
