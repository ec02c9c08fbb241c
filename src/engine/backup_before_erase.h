#pragma once
// Before a reset or a bulk write erases a controller's cells, its cards are
// saved through the recorder: from this session's read when nothing was
// written to it since, or else read first when the recorder asks for it.
#include <functional>
#include <vector>

#include "engine/engine_core.h"

namespace pelko {

// Runs inside the open command: saves the devices' cards in order, then
// calls then. A backup that cannot be made ends the command instead, with
// the reason in its result's backupRefused, unless withoutBackup (the user
// agreed beforehand); a cancelled read ends it too.
void BackupBeforeErase(TEngineCore& core, std::vector<DevIndex> devices, bool withoutBackup,
                       std::function<void()> then);

inline constexpr const char* kBackupCaptionPrefix = "Резервная копия. ";

}  // namespace pelko
