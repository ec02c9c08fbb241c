#pragma once
// The engine's host without a window, for tests and pelkoctl. Its modal
// progress loop raises the session's events on the calling thread until the
// engine closes the window; Timer1 runs on a virtual clock, so waits of
// seconds cost no real time. Everything shown is recorded. Nothing answers a
// question for the user: AskYesNo gives AnswerYes, which only the user sets
// (pelkoctl --yes), and the parameters dialog is declined.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/engine_host.h"
#include "link/pelko_session.h"

namespace pelko {

class HeadlessHost : public EngineHost {
public:
    struct Message {
        std::string caption;
        std::string text;
        TMsgIcon icon;
    };

    HeadlessHost() = default;

    // For the session's constructor: wakes the loop when answers wait.
    TPelkoSession::Notifier Notifier();
    void AttachSession(TPelkoSession* session) { FSession = session; }
    // Another loop raises the session's events (pelkoctl's): it runs until
    // its argument holds. Timer1 does not tick with a borrowed loop.
    // The pump returns false when it gave up on a stalled line.
    using Pump = std::function<bool(const std::function<bool()>& done)>;
    void SetPump(Pump pump) { FPump = std::move(pump); }
    const Pump& CurrentPump() const { return FPump; }
    // For a borrowed loop that keeps Timer1 itself (a reset's restart wait).
    bool TimerOn() const { return FTimerOn; }
    unsigned TimerMs() const { return FTimerMs; }
    void TickTimer() { Tick(); }

    // Raises events outside a modal window until done() holds, Timer1 ticking
    // meanwhile; false when StallLimitMs passed with nothing happening.
    bool RunUntil(const std::function<bool()>& done);

    // The user's answer given in advance to every question (pelkoctl --yes).
    bool AnswerYes = false;
    // Checked while the progress window is shown: true presses Cancel.
    std::function<bool()> CancelWhen;
    // Called on every turn of the modal loop, e.g. to hold a card to a reader.
    std::function<void()> WhileModal;
    // Real milliseconds the loop waits for the worker before it gives up on
    // a modal window as stalled (0: wait for ever).
    unsigned StallLimitMs = 30000;
    // Turns of one modal loop after which a runaway operation is given up as
    // stalled, so that a broken engine fails fast and small (0: no limit).
    unsigned MaxTurns = 0;
    // Called with each Timer1 tick's and each pause's virtual milliseconds,
    // e.g. to move a simulated line's clock on.
    std::function<void(unsigned ms)> AdvanceClock;
    // Called whenever the progress window's caption or bar changes.
    std::function<void(const std::string& caption, const TProgressBar& bar)> OnProgress;
    std::function<void(const Message&)> OnMessage;

    // Record.
    std::vector<Message> Messages;
    std::vector<std::string> Questions;
    std::vector<std::string> ParamsCaptions;
    std::vector<std::string> Captions;  // every progress caption, in order
    bool Stalled = false;
    std::int64_t VirtualMs = 0;
    bool CancelEnabled = true;
    bool ProgressShown = false;
    TProgressBar Bar;
    int Row = 0;
    int RowCount = 0;
    std::vector<int> EditedParams;

    // EngineHost.
    void ProgressPrepare() override {}
    void ProgressCaption(const std::string& text) override;
    void ProgressBar(const TProgressBar& bar) override;
    void ProgressCancelEnabled(bool enabled) override { CancelEnabled = enabled; }
    TModalResult ProgressShowModal() override;
    void ProgressClose() override { FClosed = true; }
    void ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) override;
    bool AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) override;
    bool EditDeviceParams(TDeviceParams& params, const std::string& caption, bool closeEnabled) override;
    void SetTimer1(bool enabled, unsigned intervalMs) override;
    void Pause(unsigned ms) override;
    void UpdateControls() override {}
    void UpdateGridDev() override {}
    void UpdateInspDev() override {}
    void UpdateInspCard() override {}
    void RepaintMain() override {}
    void ShowDeviceGrid() override {}
    void InspectorEditParam(int row) override { EditedParams.push_back(row); }
    int CardRow() const override { return Row; }
    void SetCardRow(int row) override;
    void SetCardRowCount(int count) override;
    void RepaintCardGrid() override {}

private:
    // One turn of the loop: waits for answers or the next tick, raises what
    // came. False when the wait ran out with nothing to do.
    bool Turn();
    void Tick();

    TPelkoSession* FSession = nullptr;
    Pump FPump;
    std::mutex FLock;
    std::condition_variable FCond;
    bool FPending = false;
    bool FClosed = true;
    bool FTimerOn = false;
    unsigned FTimerMs = 100;
};

}  // namespace pelko
