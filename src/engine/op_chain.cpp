#include "engine/op_chain.h"

namespace pelko {

void TChainOp::OnAnswer(int, const TAnswer& a) {
    auto next = std::move(FNext);
    FNext = nullptr;
    if (next) next(a);
}

const char* TChainOp::StepName(int step) const {
    const int i = step - kFirstChainStep;
    return i >= 0 && static_cast<std::size_t>(i) < FNames.size() ? FNames[static_cast<std::size_t>(i)] : "?";
}

void TChainOp::Ask(const Bytes& body, const char* name, std::function<void(const TAnswer&)> next) {
    FNext = std::move(next);
    FNames.push_back(name);
    C.Request(body, kFirstChainStep + static_cast<int>(FNames.size() - 1));
}

void TChainOp::Wait(unsigned ms, std::function<void()> next) {
    FAfterWait = std::move(next);
    FTicksLeft = (ms + kTimerMs - 1) / kTimerMs;
    if (FTicksLeft == 0) FTicksLeft = 1;
}

void TChainOp::OnTimer() {
    if (FTicksLeft == 0 || --FTicksLeft > 0) return;
    auto next = std::move(FAfterWait);
    FAfterWait = nullptr;
    if (next) next();
}

void TChainOp::Probe(std::uint8_t adr, std::function<void(bool)> next) {
    Ask(C.Requests.Probe(adr), "probe", [next = std::move(next)](const TAnswer& a) { next(!a.Failure); });
}

void TChainOp::ProbeAt(std::uint8_t adr, std::int32_t baud, std::function<void(bool)> next) {
    const std::int32_t own = C.Session.PortBaudRate();
    if (baud == own) {
        if (!C.Session.Active()) return next(false);
        return Probe(adr, std::move(next));
    }
    if (!C.ReopenAt(baud)) {
        C.ReopenAt(own);
        return next(false);
    }
    Probe(adr, [this, own, next = std::move(next)](bool answered) {
        C.ReopenAt(own);
        next(answered);
    });
}

void TChainOp::Login(std::uint8_t adr, const TCode& pass, std::function<void(bool)> next) {
    Ask(C.Requests.Login(adr, pass), "login", [next = std::move(next)](const TAnswer& a) { next(Accepted(a)); });
}

void TChainOp::ReadConfig(std::uint8_t adr, std::function<void(bool, const TDevConfig&)> next) {
    Ask(C.Requests.ReadConfig(adr), "read parameters", [next = std::move(next)](const TAnswer& a) {
        const bool read = !a.Failure && a.FrameLength == kConfigAnswerLength && a.Complete() && a.Data(5) == kAccepted;
        next(read, read ? a.Block() : TDevConfig{});
    });
}

void TChainOp::WriteConfig(std::uint8_t adr, const TDevConfig& block, std::function<void(bool)> next) {
    Ask(C.Requests.WriteConfig(adr, block), "write parameters",
        [next = std::move(next)](const TAnswer& a) { next(Accepted(a)); });
}

void TChainOp::CheckPassChange(std::uint8_t adr, const TCode& oldPass, const TCode& newPass,
                               std::function<void(int)> next) {
    if (!C.Session.Active()) return next(-1);
    Login(adr, newPass, [this, adr, oldPass, next = std::move(next)](bool took) {
        if (took) {
            C.Changes.PassTook(adr);
            return next(1);
        }
        Login(adr, oldPass, [next](bool kept) { next(kept ? 0 : -1); });
    });
}

}  // namespace pelko
