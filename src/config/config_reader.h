#pragma once
// Reads a configuration file into the program settings, the session and the
// device group. Problems are shown through the host, one box per value; what
// was applied before a problem stays applied.
#include <string>
#include <string_view>

#include "config/config_file_host.h"
#include "config/program_settings.h"
#include "model/group_dev.h"

namespace pelko {

// bytes: the whole file as it is on disk (windows-1251); pass it with
// std::move when it is not needed afterwards. False when the text did not
// parse: the box was shown and nothing was applied, so a caller must not save
// over the file as if it had been read.
bool ReadFromFile(std::string bytes, ProgramSettings& settings, TGroupDev& group, ConfigFileHost& host);

// Whole decimal number with an optional sign, within 32 bits.
bool ParseFileInteger(std::string_view text, std::int32_t& value);

}  // namespace pelko
