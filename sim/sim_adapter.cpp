#include "sim/sim_adapter.h"

namespace pelko {

std::vector<std::int64_t> AdapterDeliveryUs(std::span<const std::int64_t> wireUs, std::int64_t timerUs) {
    std::vector<std::int64_t> out(wireUs.begin(), wireUs.end());
    if (timerUs <= 0) return out;
    for (std::size_t first = 0; first < out.size();) {
        std::int64_t flushUs = wireUs[first] + timerUs;
        std::size_t end = first + 1;
        while (end < out.size() && end - first < kAdapterPacketBytes && wireUs[end] <= flushUs) ++end;
        if (end - first == kAdapterPacketBytes) flushUs = wireUs[end - 1];  // the packet is full: it goes now
        for (std::size_t i = first; i < end; ++i) out[i] = flushUs;
        first = end;
    }
    return out;
}

}  // namespace pelko
