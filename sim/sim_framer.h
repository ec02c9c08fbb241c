#pragma once
// Cuts the byte stream a controller hears into request frames. The length
// byte declares the frame; a pause in the middle of a frame, an impossible
// length or a bad checksum throws bytes away until the stream lines up again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/bytes.h"

namespace pelko {

class SimFramer {
public:
    static constexpr std::int64_t kGapUs = 1500;    // a pause this long ends a frame
    static constexpr std::size_t kMaxFrame = 32;    // longest frame a controller buffers

    struct Frame {
        Bytes bytes;          // with its checksum, which is good
        std::int64_t endUs;   // when its last byte was complete
    };

    // One byte whose start bit began at atUs and which lasts byteUs.
    std::vector<Frame> Feed(std::uint8_t b, std::int64_t atUs, std::int64_t byteUs);
    void Reset();
    std::size_t Dropped() const { return FDropped; }

private:
    void Scan(std::vector<Frame>& out);

    Bytes FBuf;
    std::int64_t FLastEndUs = 0;
    std::size_t FDropped = 0;
};

}  // namespace pelko
