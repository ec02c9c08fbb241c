#pragma once
// The program's port values as the session takes them.
#include "config/program_settings.h"
#include "link/pelko_session.h"

namespace pelko {

// Every port value but the speed; the session takes them only while inactive.
void ApplyPortSettings(TPelkoSession& session, const ProgramSettings& s);

}  // namespace pelko
