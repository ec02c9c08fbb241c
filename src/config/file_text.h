#pragma once
// Names and card users as the configuration file holds them: windows-1251
// inside a double-quoted attribute. What the file cannot carry as it stands
// is written as a numeric character reference "&#N;": the double quote (it
// would end the value), control characters, an '&' that starts "&#", and
// every character windows-1251 lacks. Readers that know nothing of these
// references show them as plain text instead of losing the file.
#include <string>
#include <string_view>

namespace pelko {

// UTF-8 text -> file bytes.
std::string EncodeFileText(std::string_view utf8);
// File bytes -> UTF-8 text; "&#N;" and "&#xH;" become their characters,
// anything else that looks like one is kept as it stands.
std::string DecodeFileText(std::string_view bytes);

}  // namespace pelko
