#include "pelkoctl/trace.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace pelkoctl {

std::string TraceLines(const pelko::ExchangeRecord& r, std::int64_t originWallUs) {
    std::string out;
    char head[48];
    const auto stamp = [&](std::int64_t clockUs) {
        // The record's wall time anchors the worker's clock.
        const std::int64_t us = r.wallUs - originWallUs + (clockUs - r.startUs);
        std::snprintf(head, sizeof head, "%lld.%06lld  %d  ", static_cast<long long>(us / 1000000),
                      static_cast<long long>(us % 1000000), r.baud);
        return std::string(head);
    };
    const std::string name = pelko::CommandName(r.request);  // the frame starts like its body;
    for (const pelko::ExchangeAttempt& a : r.attempts) {
        out += stamp(a.sentUs) + "> " + pelko::MaskedHexBytes(r.request) + "  " + name + "\n";
        if (a.verdict == pelko::Verdict::NotSent) {
            out += stamp(a.sentUs) + "<  " + pelko::VerdictText(a.verdict) + "\n";
            continue;
        }
        char rtt[32];
        std::snprintf(rtt, sizeof rtt, "%.1f ms", static_cast<double>(a.roundTripUs) / 1000.0);
        out += stamp(a.sentUs + a.roundTripUs) + "< " + pelko::HexBytes(a.received) +
               (a.received.empty() ? "" : "  ") + pelko::VerdictText(a.verdict) + "  " + rtt + "\n";
    }
    return out;
}

Trace::Trace(bool toErr, const std::string& file, std::ostream& err)
    : FOriginWallUs(std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count()) {
    if (toErr) FErr = &err;
    if (!file.empty()) {
        FFile.open(file, std::ios::out | std::ios::trunc);
        FOk = FFile.is_open();
    }
}

void Trace::Flush() {
    std::vector<pelko::ExchangeRecord> records;
    FLog->Drain(records);
    std::string text;
    if (const std::uint64_t dropped = FLog->Dropped(); dropped != FDropped) {
        text += "(пропущено обменов: " + std::to_string(dropped - FDropped) + ")\n";
        FDropped = dropped;
    }
    for (const auto& r : records) {
        text += TraceLines(r, FOriginWallUs);
        if (onRecord) onRecord(r);
    }
    if (text.empty()) return;
    if (FErr) *FErr << text << std::flush;
    if (FFile.is_open()) FFile << text << std::flush;
}

}  // namespace pelkoctl
