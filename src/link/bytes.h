#pragma once
// A frame or request body as it travels through the program: the bytes of the
// frame from the address byte on. The length prefix of the wire protocol's
// length-prefixed strings is the vector's size (0..255).
#include <cstdint>
#include <vector>

namespace pelko {

using Bytes = std::vector<std::uint8_t>;

}  // namespace pelko
