#pragma once
// Why a file could not be saved, in words for the user.
#include <string>

namespace pelko {

std::string SaveFailureReason(int err);

}  // namespace pelko
