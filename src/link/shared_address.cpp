#include "link/shared_address.h"

#include <algorithm>

namespace pelko {
namespace {

// Every attempt (two at least) read the same frame, the asked address, its
// length and the answer's command intact, that fails only its checksum.
bool SameGarbleEachTime(const ExchangeRecord& r) {
    if (r.attempts.size() < 2 || r.request.size() < 3) return false;
    const Bytes& first = r.attempts.front().received;
    if (first.size() < 3 || first[0] != r.request[0] || first[1] != first.size() ||
        first[2] != static_cast<std::uint8_t>(r.request[2] + 1))
        return false;
    return std::all_of(r.attempts.begin(), r.attempts.end(), [&first](const ExchangeAttempt& a) {
        return a.verdict == Verdict::BadChecksum && a.received == first;
    });
}

}  // namespace

void SharedAddressWatch::Observe(const ExchangeRecord& r) {
    if (SameGarbleEachTime(r)) FCollided.emplace(r.request[0], CommandName(r.request));
}

std::vector<std::uint8_t> SharedAddressWatch::TakeNew() {
    std::vector<std::uint8_t> out;
    for (const auto& [adr, command] : FCollided)
        if (FTold.insert(adr).second) out.push_back(adr);
    return out;
}

std::string SharedAddressWatch::Text(std::uint8_t adr) const {
    const auto it = FCollided.find(adr);
    const std::string a = std::to_string(adr);
    return "на запрос к адресу " + a + " («" + (it == FCollided.end() ? std::string("?") : it->second) +
           "») всякий раз приходит один и тот же искажённый ответ: похоже, адрес " + a +
           " у двух приборов и их ответы сталкиваются — дайте одному из них другой адрес";
}

}  // namespace pelko
