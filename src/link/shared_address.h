#pragma once
// Two controllers at one address answer every request to it at once. Where
// their answers are the same (a probe, a poll) nothing shows; where they
// differ (a login that opens one and not the other) they collide on the
// wire, and every attempt reads back the same frame: the address and length
// intact, the checksum wrong. Line noise does not repeat itself so; this
// notes the addresses where the line did, once each.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/exchange_log.h"

namespace pelko {

class SharedAddressWatch {
public:
    void Observe(const ExchangeRecord& record);
    // Addresses found since the last call, each once in the watch's life.
    std::vector<std::uint8_t> TakeNew();
    // "на запросы к адресу 1 («вход») ..." for standard error and the window.
    std::string Text(std::uint8_t adr) const;

private:
    std::map<std::uint8_t, std::string> FCollided;  // the command whose answers collided
    std::set<std::uint8_t> FTold;
};

}  // namespace pelko
