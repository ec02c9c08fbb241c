#pragma once
// An operation written as a short chain of single exchanges and waits:
// each step sends one request, or waits on the caller's clock, and goes on
// with what came back. The device commands (open, parameters, address) and
// the checks other operations make between their own steps are chains.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/engine_core.h"

namespace pelko {

class TChainOp : public TOperation {
public:
    using Steps = std::function<void(TChainOp&)>;
    TChainOp(TEngineCore& core, TOperState state, Steps start)
        : TOperation(core), FState(state), FStart(std::move(start)) {}

    TOperState State() const override { return FState; }
    void Start() override {
        if (FStart) FStart(*this);
    }
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;
    bool Ticking() const override { return FTicksLeft > 0; }
    void OnTimer() override;
    void OnPortLost() override {
        FNext = nullptr;
        FAfterWait = nullptr;
        FTicksLeft = 0;
    }

    // --- steps ---
    void Ask(const Bytes& body, const char* name, std::function<void(const TAnswer&)> next);
    // At least ms on the caller's clock.
    void Wait(unsigned ms, std::function<void()> next);
    void Done() { C.EndOper(); }

    // --- the exchanges ---
    void Probe(std::uint8_t adr, std::function<void(bool answered)> next);
    // The same at another line speed; the port comes back to its own. Not
    // answered also when the port would not open there.
    void ProbeAt(std::uint8_t adr, std::int32_t baud, std::function<void(bool answered)> next);
    void Login(std::uint8_t adr, const TCode& pass, std::function<void(bool accepted)> next);
    void ReadConfig(std::uint8_t adr, std::function<void(bool read, const TDevConfig& block)> next);
    void WriteConfig(std::uint8_t adr, const TDevConfig& block, std::function<void(bool accepted)> next);
    // A password change whose outcome is unknown, told by login: 1 new, 0 old, -1 neither.
    void CheckPassChange(std::uint8_t adr, const TCode& oldPass, const TCode& newPass,
                         std::function<void(int took)> next);

    // Steps of the chain are numbered from here, apart from an operation's own.
    static constexpr int kFirstChainStep = 1000;
    static bool ChainStep(int step) { return step >= kFirstChainStep; }

protected:
    // For an operation written as its own chain: Start is its own.
    TChainOp(TEngineCore& core, TOperState state) : TOperation(core), FState(state) {}

private:
    TOperState FState;
    Steps FStart;
    std::vector<const char*> FNames;
    std::function<void(const TAnswer&)> FNext;
    std::function<void()> FAfterWait;
    unsigned FTicksLeft = 0;
};

// An answer that says yes.
inline bool Accepted(const TAnswer& a) { return !a.Failure && a.Verdict(); }

}  // namespace pelko
