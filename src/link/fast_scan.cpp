#include "link/fast_scan.h"

#include <algorithm>

#include "link/baud_rate.h"
#include "link/frame.h"
#include "link/link_timing.h"
#include "link/pelko_session.h"
#include "link/pelko_thread.h"

namespace pelko {
namespace {

constexpr std::int64_t kPauseUs = 2000;  // before every frame, as every exchange makes it

std::uint32_t CeilMs(std::int64_t us) { return static_cast<std::uint32_t>((us + 999) / 1000); }

}  // namespace

FastScan::FastScan(TPelkoThread& worker, const Bytes& addresses)
    : W(worker),
      FAddresses(addresses),
      FBaud(worker.FSession.FPortBaudRate),
      FByteUs(ByteTimeUs(FBaud)),
      FFullUs((std::int64_t{worker.FTimeouts.constantMs} +
               std::int64_t{worker.FTimeouts.multiplierMs} * static_cast<std::int64_t>(kMinAnswer)) *
              1000) {
    // An answer the full exchange would still take, on its last attempt, can
    // be on the wire this long after its probe went out.
    const std::int64_t attemptUs = kPauseUs + FFullUs + FByteUs * 5 + worker.FSession.FTailinUS;
    FHorizonUs = std::max<int>(1, worker.FSession.FMaxAttempt) * attemptUs +
                 static_cast<std::int64_t>(kMinAnswer) * FByteUs;
}

bool FastScan::Stopped() const {
    return W.Terminated() || W.FSession.FStopScan.load() || !W.FPort || !W.FPort->lostMessage().empty();
}

Bytes FastScan::Run() {
    for (std::uint8_t adr : FAddresses) {
        if (Stopped()) break;
        Probe(adr);
        ++FDone;
        Progress();
    }
    if (!FProbed.empty() && !Stopped()) {
        // Answers owed to the last probes come within the full time-out.
        ListenUntil(FProbed.back().endUs + FHorizonUs, -1);
        Fragment(W.FTiming.nowUs());
    }
    if (W.FPort) W.FPort->setTimeouts(W.FTimeouts);
    Recheck();
    Bytes found;
    for (unsigned a = 1; a <= 254; ++a)
        if (FFound[a]) found.push_back(static_cast<std::uint8_t>(a));
    return found;
}

// One probe: listen through the pause before it, send it, listen for the
// learned wait or until its answer is whole.
void FastScan::Probe(std::uint8_t adr) {
    ListenUntil(W.FTiming.nowUs() + kPauseUs, -1);
    Fragment(W.FTiming.nowUs());
    SerialPort& port = *W.FPort;
    const bool driveLines = !W.FSession.FSmartPI && !W.FDriverSwitches;
    if (driveLines) {
        port.setDtr(false);
        port.setRts(true);
    }
    const Bytes frame = BuildFrame(ProbeBody(adr));
    const std::int64_t t0 = W.FTiming.nowUs();
    const std::size_t written = port.write(frame.data(), frame.size());
    const std::int64_t endUs = t0 + FByteUs * static_cast<std::int64_t>(frame.size());
    W.FTiming.waitUntilUs(endUs + W.FSession.FTailinUS);
    if (driveLines) {
        port.setDtr(true);
        port.setRts(false);
    }
    FListener.Sent(frame);
    FProbed.push_back({adr, endUs});
    FWasProbed.set(adr);
    if (written != frame.size()) {
        FRecheck.set(adr);
        return;
    }
    ListenUntil(endUs + W.FSession.FAnswerWait.ProbeWaitUs(FBaud, FFullUs), adr);
}

void FastScan::ListenUntil(std::int64_t untilUs, int own) {
    std::uint8_t buf[64];
    bool ownHeard = false;
    while (!ownHeard && !Stopped()) {
        const std::int64_t now = W.FTiming.nowUs();
        if (now >= untilUs) break;
        W.FPort->setTimeouts(PortTimeouts{0, 0, CeilMs(untilUs - now)});
        const std::size_t n = W.FPort->read(buf, std::min(sizeof buf, FListener.Wanted()));
        if (n == 0) break;
        const std::int64_t at = W.FTiming.nowUs();
        for (const ScanListener::Heard& h : FListener.Feed(buf, n)) ownHeard = Take(h, at, own) || ownHeard;
    }
}

// True when it is the answer of the probe `own` that is being listened for.
bool FastScan::Take(const ScanListener::Heard& h, std::int64_t atUs, int own) {
    if (h.trouble) {
        Trouble(atUs, h.frame);
        return false;
    }
    const Bytes& f = h.frame;
    const std::uint8_t adr = f[0];
    if (f[2] != kCmdProbe + 1 || !FWasProbed[adr]) {
        // Not a probe answer, or from an address not asked yet: another
        // controller's answer under a wrong address.
        Trouble(atUs, f);
        return false;
    }
    if (FFound[adr]) return false;  // owed to an earlier exchange: counted once
    const bool refused = IsBusyAnswer(f.data(), f.size());
    if (adr == own && !refused) {
        FFound.set(adr);
        W.FSession.FAnswerWait.Note(FBaud, atUs - static_cast<std::int64_t>(f.size()) * FByteUs - FProbed.back().endUs);
        return true;
    }
    // Refused, or late: the full exchange tells.
    FRecheck.set(adr);
    return adr == own;
}

// Bytes that make no answer: whatever answers were still on the line may have
// met them, and so may the frame that just went out.
void FastScan::Trouble(std::int64_t atUs, const Bytes& bytes) {
    FTroubled = true;
    if (!bytes.empty() && FWasProbed[bytes[0]] && !FFound[bytes[0]]) FRecheck.set(bytes[0]);
    for (auto it = FProbed.rbegin(); it != FProbed.rend() && it->endUs + FHorizonUs >= atUs; ++it)
        if (!FFound[it->adr]) FRecheck.set(it->adr);
}

void FastScan::Fragment(std::int64_t atUs) {
    const Bytes rest = FListener.TakeFragment();
    if (!rest.empty()) Trouble(atUs, rest);
}

// The settings' full exchange, attempts and time-outs, where the line showed
// trouble or an answer came late; the quiet the link keeps after a miss comes first.
void FastScan::Recheck() {
    std::size_t total = FAddresses.size();
    for (unsigned a = 1; a <= 254; ++a)
        if (FRecheck[a] && !FFound[a]) ++total;
    FTotal = total;
    Progress();
    if (FTroubled || FRecheck.any()) W.FAllUnsettled = true;
    Bytes answer;
    for (unsigned a = 1; a <= 254; ++a) {
        if (!FRecheck[a] || FFound[a]) continue;
        if (Stopped()) break;
        const auto adr = static_cast<std::uint8_t>(a);
        if (W.Exchange(ProbeBody(adr), answer, TPelkoThread::kOwnAnswerCapacity) && answer[0] == adr)
            FFound.set(adr);
        ++FDone;
        Progress();
    }
}

void FastScan::Progress() {
    const std::size_t total = std::max(FTotal, FAddresses.size());
    W.PostEvent(qkScanProgress, PackScanProgress({static_cast<std::uint32_t>(FDone), static_cast<std::uint32_t>(total),
                                                  static_cast<std::uint32_t>(FFound.count())}));
}

}  // namespace pelko
