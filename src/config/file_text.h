#pragma once
// Names and card users as the configuration file holds them: windows-1251
// inside a double-quoted attribute, taken as it stands. Only what the file
// cannot carry is written as a numeric character reference "&#N;": the
// double quote (it would end the value), every character windows-1251 lacks,
// and an '&' that would otherwise be read as the start of such a reference.
// Everything else, control characters included, is written raw, so a name
// from a file that knows nothing of references comes back byte for byte.
#include <string>
#include <string_view>

namespace pelko {

// UTF-8 text -> file bytes.
std::string EncodeFileText(std::string_view utf8);
// File bytes -> UTF-8 text. Only references in the form EncodeFileText
// writes them are decoded, plus the control characters that earlier saves
// wrote as references; any other "&#..." is text and stays as it is.
std::string DecodeFileText(std::string_view bytes);

}  // namespace pelko
