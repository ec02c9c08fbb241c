#include "engine/headless_host.h"

#include <chrono>

namespace pelko {
namespace {

// Real wait between two virtual Timer1 ticks: long enough for the worker to
// answer what is in flight first.
constexpr std::chrono::milliseconds kTickWait{2};

}  // namespace

TPelkoSession::Notifier HeadlessHost::Notifier() {
    return [this] {
        std::lock_guard lock(FLock);
        FPending = true;
        FCond.notify_one();
    };
}

void HeadlessHost::Tick() {
    VirtualMs += FTimerMs;
    if (AdvanceClock) AdvanceClock(FTimerMs);
    if (Timer1Tick) Timer1Tick();
}

bool HeadlessHost::Turn() {
    bool woken = false;
    {
        std::unique_lock lock(FLock);
        const auto wait = FTimerOn ? kTickWait : std::chrono::milliseconds(StallLimitMs ? StallLimitMs : 1000);
        woken = FCond.wait_for(lock, wait, [this] { return FPending; });
        FPending = false;
    }
    if (FSession) FSession->Dispatch();
    if (woken) return true;
    if (FTimerOn) {
        Tick();
        return true;
    }
    return StallLimitMs == 0;
}

bool HeadlessHost::RunUntil(const std::function<bool()>& done) {
    if (FPump) return FPump(done);
    if (FSession) FSession->Dispatch();
    while (!done()) {
        if (!Turn()) return false;
    }
    return true;
}

TModalResult HeadlessHost::ProgressShowModal() {
    FClosed = false;
    ProgressShown = true;
    bool cancelled = false;
    bool runaway = false;
    unsigned turns = 0;
    const bool finished = RunUntil([&] {
        if (FClosed) return true;
        if (MaxTurns != 0 && ++turns > MaxTurns) return runaway = true;
        if (WhileModal) WhileModal();
        cancelled = CancelEnabled && CancelWhen && CancelWhen();
        return cancelled;
    });
    ProgressShown = false;
    FClosed = true;
    if (!finished || runaway) {
        Stalled = true;
        return TModalResult::Cancel;
    }
    return cancelled ? TModalResult::Cancel : TModalResult::Closed;
}

void HeadlessHost::ProgressCaption(const std::string& text) {
    Captions.push_back(text);
    if (OnProgress) OnProgress(text, Bar);
}

void HeadlessHost::ProgressBar(const TProgressBar& bar) {
    Bar = bar;
    if (OnProgress) OnProgress(Captions.empty() ? std::string() : Captions.back(), Bar);
}

void HeadlessHost::ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) {
    Messages.push_back({caption, text, icon});
    if (OnMessage) OnMessage(Messages.back());
}

bool HeadlessHost::AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) {
    Questions.push_back(text);
    if (OnMessage) OnMessage({caption, text, icon});
    return AnswerYes;
}

bool HeadlessHost::EditDeviceParams(TDeviceParams&, const std::string& caption, bool) {
    ParamsCaptions.push_back(caption);
    return false;
}

void HeadlessHost::SetTimer1(bool enabled, unsigned intervalMs) {
    FTimerOn = enabled;
    FTimerMs = intervalMs;
}

void HeadlessHost::Pause(unsigned ms) {
    VirtualMs += ms;
    if (AdvanceClock) AdvanceClock(ms);
}

void HeadlessHost::SetCardRow(int row) {
    if (row >= 0) Row = row;
}

void HeadlessHost::SetCardRowCount(int count) {
    RowCount = count;
    if (Row >= count) Row = count > 0 ? count - 1 : 0;
}

}  // namespace pelko
