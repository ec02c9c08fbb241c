#pragma once
// The six named entities of the markup dialect: &quot; &amp; &apos; &gt;
// &lt; and the dialect's own &slash;.
#include <cstddef>
#include <string>
#include <string_view>

namespace pelko {

// Looks at the '&' at the 1-based Position. When a whole entity starts there,
// returns its character and moves Position past it; otherwise returns "" and
// leaves Position alone.
std::string DecodeEntity(std::string_view text, std::size_t& Position);

// A numeric character reference ("&#10;", "&#x41;") at the 1-based
// Position, as UTF-8, moving Position past it; "" when none (or one naming
// no character XML allows) starts there.
std::string DecodeCharReference(std::string_view text, std::size_t& Position);

// Replaces the six entities; an '&' that starts none of them is kept as it is.
std::string DecodeEntities(std::string_view text);

// The reverse for text put into the markup: the five characters markup
// cannot carry as they are become entities ('/' needs none).
std::string EncodeEntities(std::string_view text);

}  // namespace pelko
