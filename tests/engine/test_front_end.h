#pragma once
// The engine's front end for tests, benchmarks and the fuzzer: records what
// the engine tells (notices, progress, card rows, results) and owns the loop
// that hands the engine its events.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/engine_loop.h"
#include "engine/engine_observer.h"

namespace pelko::test {

class TestFrontEnd : public EngineObserver {
public:
    using Message = TNotice;

    TPelkoSession::Notifier Notifier() { return loop.Notifier(); }
    void Attach(TPelkoSession* session, TEngine* engine) {
        FEngine = engine;
        loop.Attach(session, engine);
    }
    bool RunUntil(const std::function<bool()>& done) { return loop.RunUntil(done); }

    // A done for a command whose result the test reads: LastResult is
    // cleared now, so a command refused at once (only its done hears it)
    // does not leave the previous command's result behind.
    TEngine::TDone Done() {
        LastResult = TCommandResult{};
        Heard = false;
        return [this](const TCommandResult& r) {
            LastResult = r;
            Heard = true;
        };
    }
    // The command given Done() ended as asked, or did not do it.
    bool Succeeded() const { return Heard && !LastResult.failed && !LastResult.cancelled; }
    bool Failed() const { return Heard && LastResult.failed; }
    // The comparison or write-back the command made; none: nothing reached.
    TCardCheck Check() const { return LastResult.checks.empty() ? TCardCheck{} : LastResult.checks.front(); }

    TEngineLoop loop;
    // The loop's knobs under the names the tests use.
    std::function<void()>& WhileModal = loop.EachTurn;
    std::function<bool()>& CancelWhen = loop.CancelWhen;
    std::function<void(unsigned ms)>& AdvanceClock = loop.AdvanceClock;
    unsigned& StallLimitMs = loop.StallLimitMs;
    unsigned& MaxTurns = loop.MaxTurns;
    bool& Stalled = loop.Stalled;
    std::int64_t& VirtualMs = loop.VirtualMs;

    // Record.
    std::vector<Message> Messages;
    std::vector<std::string> Captions;  // every caption shown, in order, each once in a row
    TProgressBar Bar;
    bool ProgressShown = false;
    bool CancelEnabled = true;
    int ModalCount = 0;  // commands that showed their progress while on the line
    int Row = 0;
    int RowCount = 0;
    std::vector<int> EditedParams;
    TCommandResult LastResult;
    bool Heard = false;  // the done given by Done() was called

    void OnProgress(const TProgress& p) override {
        CancelEnabled = p.cancellable;
        if (!p.shown) {
            ProgressShown = false;
            return;
        }
        if (!ProgressShown || Captions.empty() || Captions.back() != p.caption) Captions.push_back(p.caption);
        ProgressShown = true;
        Bar = p.bar;
        CountModal();
    }
    void OnNotice(const TNotice& n) override { Messages.push_back(n); }
    void OnChanged(const TChange& c) override {
        if ((c.what & chCards) && FEngine != nullptr) {
            RowCount = FEngine->CurConf().CardCount(FEngine->MasterView());
            if (c.cardRow >= 0) Row = c.cardRow;
            if (Row >= RowCount) Row = RowCount > 0 ? RowCount - 1 : 0;
        }
        if (c.what & chCodeToEdit) EditedParams.push_back(1);
    }
    // The test front end runs the command to its end right when it starts,
    // so a test reads the outcome on the line after the call. A command's
    // next operation starting from within this loop runs its own nested
    // loop to the command's end; this one then finds it ended.
    void OnStarted(TOperState) override {
        FStarted = true;
        CountModal();
        if (FEngine != nullptr && FEngine->Busy()) loop.RunCommand();
    }
    void OnDone(const TCommandResult& r) override {
        LastResult = r;
        FStarted = FCounted = false;
    }

private:
    // A progress window is waited on only by a command with an operation on
    // the line: one that ends at once shows none worth the name.
    void CountModal() {
        if (!FStarted || !ProgressShown || FCounted) return;
        FCounted = true;
        ++ModalCount;
    }

    TEngine* FEngine = nullptr;
    bool FStarted = false;  // the running command has had an operation on the line
    bool FCounted = false;
};

}  // namespace pelko::test
