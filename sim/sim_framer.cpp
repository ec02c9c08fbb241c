#include "sim/sim_framer.h"

#include "link/frame.h"

namespace pelko {

void SimFramer::Reset() {
    FDropped += FBuf.size();
    FBuf.clear();
}

std::vector<SimFramer::Frame> SimFramer::Feed(std::uint8_t b, std::int64_t atUs, std::int64_t byteUs) {
    if (!FBuf.empty() && atUs - FLastEndUs >= kGapUs) Reset();
    FBuf.push_back(b);
    FLastEndUs = atUs + byteUs;
    std::vector<Frame> out;
    Scan(out);
    return out;
}

void SimFramer::Scan(std::vector<Frame>& out) {
    while (FBuf.size() >= 2) {
        const std::size_t len = FBuf[1];
        if (len < 5 || len > kMaxFrame) {
            FBuf.erase(FBuf.begin());
            ++FDropped;
            continue;
        }
        if (FBuf.size() < len) return;
        const std::uint16_t crc = Crc16(FBuf.data(), len - 2);
        if (crc == (FBuf[len - 2] << 8 | FBuf[len - 1])) {
            out.push_back({Bytes(FBuf.begin(), FBuf.begin() + static_cast<std::ptrdiff_t>(len)), FLastEndUs});
            FBuf.erase(FBuf.begin(), FBuf.begin() + static_cast<std::ptrdiff_t>(len));
        } else {
            FBuf.erase(FBuf.begin());  // maybe a frame starts further on
            ++FDropped;
        }
    }
}

}  // namespace pelko
