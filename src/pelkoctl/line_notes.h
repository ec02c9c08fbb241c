#pragma once
// What the exchanges of a run showed about the line that no command result
// says: a controller answering under an address other than the one asked,
// and two controllers that seem to share an address.
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "link/exchange_log.h"
#include "link/shared_address.h"

namespace pelkoctl {

class LineNotes {
public:
    void Observe(const pelko::ExchangeRecord& record);
    // One sentence per finding, for standard error.
    std::vector<std::string> Lines();

private:
    std::set<std::pair<std::uint8_t, std::uint8_t>> FOther;  // (asked, answered)
    std::set<std::uint8_t> FOwn;  // addresses that answered under their own address
    pelko::SharedAddressWatch FShared;
};

}  // namespace pelkoctl
