#include "engine/op_group_phases.h"

namespace pelko {
namespace {

std::string DeviceList(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

// The port could not follow the controllers: the settings keep the speed
// the switched ones answer at, and every controller is named with the
// speed it has now.
void NameWhereTheyAre(TEngineCore& C, const TSpeedOutcome& out) {
    const std::int32_t kept = out.moved.empty() ? out.from : out.to;
    C.Settings.PortBaudRate = C.Settings.PrevBaudRate = kept;
    C.Session.SetPortBaudRate(kept);
    if (out.moved.empty() && out.unsure.empty()) return;
    std::vector<std::string> moved, stayed;
    for (DevIndex i = 0; i < C.Group.Count(); ++i) {
        const std::uint8_t adr = TEngineCore::AdrOf(*C.Device(i));
        (out.moved.count(adr) || out.unsure.count(adr) ? moved : stayed).push_back(C.DeviceLabel(adr));
    }
    std::string text = "Скорость " + std::to_string(out.to) + " записана в приборы: " + DeviceList(moved) + ".";
    if (!stayed.empty())
        text += " На скорости " + std::to_string(out.from) + " остались: " + DeviceList(stayed) + ".";
    C.Notice(kCaptionAttention, text, TMsgIcon::Warning);
}

}  // namespace

const char* TGroupPhasesOp::StepName(int step) const {
    if (ChainStep(step)) return TChainOp::StepName(step);
    static const char* const kNames[] = {"login with the common password", "read parameters",
                                         "change password", "login", "write speed"};
    return step >= 0 && step <= SpeedWrite ? kNames[step] : "?";
}

void TGroupPhasesOp::Start() {
    C.Settings.ChangeSpeedToo = FPassword && FSpeed;
    if (FPassword) return StartPasswordPhase();
    if (!FSpeed || !StartSpeedPhase()) C.EndOper();
}

void TGroupPhasesOp::OnAnswer(int step, const TAnswer& a) {
    if (ChainStep(step)) return TChainOp::OnAnswer(step, a);
    if (step <= PassChange) return PassAnswered(step, a);
    SpeedAnswered(step, a);
}

// --- password phase ---

bool TGroupPhasesOp::NeedsStandPass(DevIndex i) {
    if (!C.IsOpened(i)) return false;
    C.Group.GetPass(i, FCurPass);
    const bool oldCommon = SameCode(FCurPass, C.Settings.OldStandPass);
    return (oldCommon && !SameCode(C.Settings.OldStandPass, C.Settings.StandPass)) ||
           (!oldCommon && !C.Settings.SavePass);
}

void TGroupPhasesOp::StartPasswordPhase() {
    const int n = C.Group.Count();
    C.SetProgBFrm(C.Settings.ChangeSpeedToo ? 3 * n : n, kChangeParamsCaption, false);
    for (FIndex = 0; FIndex < n; ++FIndex) {
        if (C.IsOpened(FIndex) && !NeedsStandPass(FIndex)) continue;
        AskPassDevice();
        return C.SetPosition(FIndex == 0 ? 0 : FIndex + 1);
    }
    // No device needs anything: no empty progress window to cancel.
    C.SetPosition(n);
    if (!C.Settings.ChangeSpeedToo || !StartSpeedPhase()) C.EndOper();
}

// A closed device that takes the common password already carries it; an
// opened one is given it.
void TGroupPhasesOp::AskPassDevice() {
    if (!C.IsOpened(FIndex)) return C.Request(C.Requests.Login(Adr(), C.Settings.StandPass), PassLogin);
    C.Request(C.Requests.ChangePass(Adr(), FCurPass, C.Settings.StandPass), PassChange);
}

void TGroupPhasesOp::PassAnswered(int step, const TAnswer& a) {
    const std::uint8_t adr = Adr();
    if (step == PassChange) {
        // A lost answer or another byte may hide a change the controller made.
        const auto took = [this, adr](int took) {
            if (took == 1) C.Group.SetPass(FIndex, C.Settings.StandPass);
            if (took < 0) FPassUnsure.push_back(C.DeviceLabel(adr));
            if (took == 0) FPassRefused.push_back(C.DeviceLabel(adr));
            C.StepIt();
            PassNext();
        };
        if (Accepted(a)) return took(1);
        return CheckPassChange(adr, FCurPass, C.Settings.StandPass, took);
    }
    if (step == PassLogin && !a.Failure && a.Verdict()) {
        C.Group.SetState(FIndex, dfOpened);
        C.Group.SetPass(FIndex, C.Settings.StandPass);
        C.Changed(chDevices);
        return C.Request(C.Requests.ReadConfig(adr), PassReadConfig);
    } else if (step == PassReadConfig && !a.Failure && a.FrameLength == kConfigAnswerLength && a.Complete()) {
        C.Group.SetState(FIndex, dfParamsRead);
        C.Changed(chDevices);
        C.Group.SetConfig(FIndex, a.Block());
    }
    C.StepIt();
    PassNext();
}

void TGroupPhasesOp::PassNext() {
    while (FIndex + 1 < C.Group.Count()) {
        ++FIndex;
        if (C.IsOpened(FIndex) && !NeedsStandPass(FIndex)) continue;
        AskPassDevice();
        return C.SetPosition(FIndex + 1);
    }
    PassPhaseDone();
}

void TGroupPhasesOp::PassPhaseDone() {
    C.SetPosition(C.Group.Count());
    ReportPassUnsure();
    if (!C.Settings.ChangeSpeedToo || !StartSpeedPhase()) C.EndOper();
}

void TGroupPhasesOp::ReportPassUnsure() {
    if (!FPassRefused.empty()) {
        C.Notice(kCaptionAttention, "Не приняли новый пароль, пароль не изменён: " + DeviceList(FPassRefused),
                           TMsgIcon::Warning);
        FPassRefused.clear();
    }
    if (FPassUnsure.empty()) return;
    C.Notice(kCaptionAttention, "Не удалось проверить пароль приборов: " + DeviceList(FPassUnsure),
                       TMsgIcon::Warning);
    FPassUnsure.clear();
}

// --- speed phase ---

void TGroupPhasesOp::DropClosedDevices() {
    for (int j = C.Group.Count() - 1; j >= 0; --j)
        if (!C.IsOpened(static_cast<DevIndex>(j))) C.Group.DeleteDevice(static_cast<DevIndex>(j));
    C.Changed(chDevices | chCards | chDeviceParams);
}

// True when a login is under way and the answers carry the phase on.
bool TGroupPhasesOp::StartSpeedPhase() {
    FSpeedPhase = true;
    if (C.FirstClosed() != NoDevice) {
        if (FDropClosed) {
            DropClosedDevices();
            if (C.Group.Count() == 0) {
                if (!C.ReopenAt(C.Settings.PortBaudRate)) C.PortMessage();
            }
        } else {
            C.Settings.PortBaudRate = C.Settings.PrevBaudRate;
        }
    }
    if (C.Group.Count() == 0) {
        SpeedPhaseEmpty();
        return false;
    }
    if (!C.Settings.ChangeSpeedToo) C.SetProgBFrm(2 * C.Group.Count(), kChangeParamsCaption, false);
    FSpeedBase = C.Bar().Position;
    FIndex = 0;
    FSpeedRunning = true;
    FOut = TSpeedOutcome{};
    FOut.from = C.Session.PortBaudRate();
    C.Group.GetPass(0, FCurPass);
    C.Request(C.Requests.Login(Adr(), FCurPass), SpeedLogin);
    return true;
}

// Every device was dropped: nothing is left to carry the speed into.
void TGroupPhasesOp::SpeedPhaseEmpty() {
    C.Settings.ChangeSpeedToo = false;
    C.Settings.PrevBaudRate = C.Settings.PortBaudRate;
    C.Changed(chState);
}

void TGroupPhasesOp::SpeedAnswered(int step, const TAnswer& a) {
    const bool ok = !a.Failure && a.Verdict();
    if (ok && step == SpeedLogin) return SpeedLoggedIn(a);
    if (ok) {
        C.Group.SetState(FIndex, dfParamsRead);
        C.Changed(chDevices);
        C.Group.SetConfig(FIndex, FBlock);
        FOut.moved[a.Adr] = FBlock;
        C.StepIt();
        return SpeedDeviceDone();
    }
    // A write without answer may have reached the controller: checked at the
    // new speed once the port is there.
    if (a.Failure && step == SpeedWrite) FOut.unsure[Adr()] = FBlock;
    // No answer, or refused: the device keeps its speed and is skipped.
    C.SetPosition(FSpeedBase + FIndex * 2 + 2);
    SpeedDeviceDone();
}

void TGroupPhasesOp::SpeedLoggedIn(const TAnswer& a) {
    C.StepIt();
    FBlock = DefaultConfig(a.Adr);
    if (C.Group.GetState(FIndex, dfParamsRead)) {
        C.Group.GetConfig(FIndex, FBlock);
    } else if (const auto given = FParams.find(a.Adr); given != FParams.end()) {
        FBlock = given->second;
        FBlock[kAdrByte] = a.Adr;
    }
    PutSpeedCode(FBlock, C.Settings.PortBaudRate);
    C.Request(C.Requests.WriteConfig(a.Adr, FBlock), SpeedWrite);
}

void TGroupPhasesOp::SpeedDeviceDone() {
    if (FIndex + 1 < C.Group.Count()) {
        ++FIndex;
        C.Group.GetPass(FIndex, FCurPass);
        return C.Request(C.Requests.Login(Adr(), FCurPass), SpeedLogin);
    }
    FinishSpeedPhase();
}

void TGroupPhasesOp::Cancelled() {
    ReportPassUnsure();
    if (FFinish) return;  // the answer in flight ended the speed phase: the port follows as usual
    if (FSpeedRunning) return FinishSpeedPhase();
    // The speed phase never ran: no controller changed its speed.
    C.Settings.ChangeSpeedToo = false;
    C.Settings.PortBaudRate = C.Settings.PrevBaudRate;
}

// The port follows only now, once every device that answered has switched
// (TSpeedFinishOp, run after this one).
void TGroupPhasesOp::FinishSpeedPhase() {
    C.Settings.ChangeSpeedToo = false;
    FSpeedRunning = false;
    FFinish = true;
    if (C.Running(*this)) C.EndOper();
}

std::unique_ptr<TOperation> TGroupPhasesOp::TakeFinish() {
    if (!FFinish) return nullptr;
    FFinish = false;
    FOut.to = C.Settings.PortBaudRate;
    return std::make_unique<TSpeedFinishOp>(C, std::move(FOut));
}

void TGroupPhasesOp::OnPortLost() {
    TChainOp::OnPortLost();
    C.Settings.ChangeSpeedToo = false;
    ReportPassUnsure();
    if (!FSpeedRunning) {
        C.Settings.PortBaudRate = C.Settings.PrevBaudRate;
        return;
    }
    FSpeedRunning = false;
    FOut.to = C.Settings.PortBaudRate;
    NameWhereTheyAre(C, FOut);
}

// --- after the speed phase ---

// Where none switched, the port and the settings stay at the old speed;
// either way the controllers left at the other speed are named.
// Not to be cancelled: it settles where the port and the settings are.
void TSpeedFinishOp::Start() {
    C.SetCancellable(false);
    C.Settings.ChangeSpeedToo = false;
    if (!C.ReopenAt(FOut.to)) {
        C.PortMessage();
        NameWhereTheyAre(C, FOut);
        return Done();
    }
    for (const auto& [adr, block] : FOut.unsure) FUnsureAdrs.push_back(adr);
    CheckUnsure(0);
}

// A write whose answer was lost took if the controller answers at the new speed.
void TSpeedFinishOp::CheckUnsure(std::size_t k) {
    if (k >= FUnsureAdrs.size()) return Settle();
    const std::uint8_t adr = FUnsureAdrs[k];
    const DevIndex i = C.Group.IndexOfAdr(adr);
    if (i == NoDevice) return CheckUnsure(k + 1);
    Login(adr, C.Device(i)->Pass, [this, k, adr](bool there) {
        const DevIndex at = C.Group.IndexOfAdr(adr);
        if (there && at != NoDevice) {
            C.Group.SetState(at, dfParamsRead);
            C.Group.SetConfig(at, FOut.unsure[adr]);
            FOut.moved[adr] = FOut.unsure[adr];
        }
        CheckUnsure(k + 1);
    });
}

void TSpeedFinishOp::Settle() {
    const std::int32_t from = FOut.from;
    const std::int32_t to = FOut.to;
    if (from != to && FOut.moved.empty()) {
        C.Settings.PortBaudRate = from;
        if (!C.ReopenAt(from)) C.PortMessage();
    }
    C.Settings.PrevBaudRate = C.Settings.PortBaudRate;
    C.PresentAll();
    C.Changed(chDevices);
    if (from == to) return Done();
    if (FOut.moved.empty()) {
        C.Notice(kCaptionMessage,
                 "Скорость линии не изменена: ни один прибор не перешёл на скорость " + std::to_string(to) + ".",
                 TMsgIcon::Warning);
    }
    FOther = FOut.moved.empty() ? to : from;
    for (DevIndex i = 0; i < C.Group.Count(); ++i) {
        const std::uint8_t adr = TEngineCore::AdrOf(*C.Device(i));
        // With none moved, only a controller that may have switched is apart.
        if (FOut.moved.empty() ? FOut.unsure.count(adr) != 0 : FOut.moved.count(adr) == 0)
            FCandidates.push_back(adr);
    }
    Look(0);
}

// The port runs at the speed most controllers now have; each one that does
// not answer there is looked for at the other speed.
void TSpeedFinishOp::Look(std::size_t k) {
    if (k >= FCandidates.size()) return Named();
    const std::uint8_t adr = FCandidates[k];
    const DevIndex i = C.Group.IndexOfAdr(adr);
    const auto elsewhere = [this, k, adr] {
        ProbeAt(adr, FOther, [this, k, adr](bool there) {
            (there ? FThere : FNowhere).push_back(C.DeviceLabel(adr));
            Look(k + 1);
        });
    };
    if (i == NoDevice || !C.Session.Active()) return elsewhere();
    Login(adr, C.Device(i)->Pass, [this, k, adr, elsewhere](bool here) {
        if (!here) return elsewhere();
        // It answers here after all: its parameters say so too.
        ReadConfig(adr, [this, k, adr](bool read, const TDevConfig& block) {
            const DevIndex at = C.Group.IndexOfAdr(adr);
            if (at != NoDevice) {
                TDevConfig held = read ? block : C.Device(at)->Config;
                if (!read) PutSpeedCode(held, C.Settings.PortBaudRate);
                C.Group.SetConfig(at, held);
            }
            Look(k + 1);
        });
    });
}

void TSpeedFinishOp::Named() {
    const std::int32_t here = C.Settings.PortBaudRate;
    if (!FThere.empty()) {
        C.Notice(kCaptionAttention,
                 "Приборы остались на скорости " + std::to_string(FOther) + " и не отвечают на скорости " +
                     std::to_string(here) + ": " + DeviceList(FThere),
                 TMsgIcon::Warning);
    }
    if (!FNowhere.empty()) {
        C.Notice(kCaptionAttention,
                 "Приборы не отвечают ни на скорости " + std::to_string(here) + ", ни на скорости " +
                     std::to_string(FOther) + ": " + DeviceList(FNowhere),
                 TMsgIcon::Warning);
    }
    C.Changed(chDevices);
    Done();
}

}  // namespace pelko
