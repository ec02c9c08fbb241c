#pragma once
// What a fast search hears between its probes: one byte stream, cut into
// answer frames by their length byte and checksum. The echo of the frame
// just sent is skipped; bytes that make no frame are trouble, and so is what
// is left of a frame when the line is about to be driven again (the rest of
// it would meet the next frame on the wire).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/bytes.h"

namespace pelko {

class ScanListener {
public:
    struct Heard {
        bool trouble = false;
        Bytes frame;  // a whole answer frame with a good checksum; for trouble, the bytes thrown away
    };

    // The frame that has just gone out: a converter may hand it back first.
    void Sent(const Bytes& frame);
    std::vector<Heard> Feed(const std::uint8_t* data, std::size_t n);
    // Bytes that would complete what has begun (an answer's six when nothing has).
    std::size_t Wanted() const;
    // The line is about to be driven: a begun frame is lost. Its bytes, or empty.
    Bytes TakeFragment();

private:
    bool SkipEcho();  // false: more bytes are needed to tell

    Bytes FSent;
    bool FEchoPossible = false;
    Bytes FBuf;
};

}  // namespace pelko
