#pragma once
// The host's USB serial adapter, as FTDI chips work: bytes off the wire wait
// in the chip until its latency timer, started by the first byte it holds,
// runs out, or until they fill a USB packet (62 bytes); then everything held
// goes to the host at once. The driver sets the timer to 1 ms when the
// program asks its port for low latency.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pelko {

inline constexpr std::size_t kAdapterPacketBytes = 62;

// When each byte reaches the host, for bytes that came off the wire at
// wireUs (ascending), the first of them the first the chip holds. timerUs 0:
// no adapter, every byte passes at once.
std::vector<std::int64_t> AdapterDeliveryUs(std::span<const std::int64_t> wireUs, std::int64_t timerUs);

}  // namespace pelko
