#pragma once
// The fast search of the line, run by the worker: every address is probed
// with the learned short wait (AnswerWait) while the line is listened to all
// the time, so an answer is counted for the address it carries whenever it
// comes. Where the line showed trouble (bytes that make no answer, a frame
// cut by the next one, a refusal) and where an answer came after its wait,
// the addresses are probed again with the settings' full exchange, attempts
// and time-outs. No address is counted twice.
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "link/bytes.h"
#include "link/scan_listener.h"

namespace pelko {

class TPelkoThread;

class FastScan {
public:
    FastScan(TPelkoThread& worker, const Bytes& addresses);
    // The addresses that answered, ascending. Progress items go out as it runs.
    Bytes Run();

private:
    struct Probed {
        std::uint8_t adr;
        std::int64_t endUs;  // the frame's last byte left
    };

    bool Stopped() const;
    void Probe(std::uint8_t adr);
    void ListenUntil(std::int64_t untilUs, int own);
    bool Take(const ScanListener::Heard& h, std::int64_t atUs, int own);
    void Trouble(std::int64_t atUs, const Bytes& bytes);
    void Fragment(std::int64_t atUs);
    void Recheck();
    void Progress();

    TPelkoThread& W;
    const Bytes FAddresses;
    const std::int32_t FBaud;
    const std::int64_t FByteUs;
    const std::int64_t FFullUs;  // the settings' read time-out for an answer
    std::int64_t FHorizonUs = 0;
    ScanListener FListener;
    std::vector<Probed> FProbed;
    std::bitset<256> FWasProbed, FFound, FRecheck;
    bool FTroubled = false;
    std::size_t FDone = 0;
    std::size_t FTotal = 0;
};

}  // namespace pelko
