#pragma once
// The number inside a path step's brackets.
#include <cstdint>
#include <optional>
#include <string_view>

namespace pelko {

// A decimal number with its fraction cut off ("2", "1.9", "3e1", "-1"):
// nullopt when the text is no number. Only '.' is taken as the decimal
// separator. Values beyond any element count come back as INT64_MAX (or
// INT64_MIN when negative).
std::optional<std::int64_t> ParsePathIndex(std::string_view text);

}  // namespace pelko
