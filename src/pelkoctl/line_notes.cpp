#include "pelkoctl/line_notes.h"

namespace pelkoctl {

void LineNotes::Observe(const pelko::ExchangeRecord& r) {
    if (r.request.empty()) return;
    FShared.Observe(r);
    for (const pelko::ExchangeAttempt& a : r.attempts) {
        if (a.received.empty()) continue;
        if (a.verdict == pelko::Verdict::Ok) FOwn.insert(r.request[0]);
        if (a.verdict == pelko::Verdict::OtherAddress) FOther.emplace(r.request[0], a.received[0]);
    }
}

std::vector<std::string> LineNotes::Lines() {
    std::vector<std::string> out;
    for (const auto& [asked, answered] : FOther) {
        // A late answer of a controller that also answers its own requests
        // is the line's ordinary traffic; one that never does is misaddressed.
        if (FOwn.count(answered) != 0) continue;
        out.push_back("на запрос к адресу " + std::to_string(asked) + " ответил прибор с адресом " +
                      std::to_string(answered) + ", а на запросы к адресу " + std::to_string(answered) +
                      " не отвечает никто: проверьте адрес прибора");
    }
    for (std::uint8_t adr : FShared.TakeNew()) out.push_back(FShared.Text(adr));
    return out;
}

}  // namespace pelkoctl
