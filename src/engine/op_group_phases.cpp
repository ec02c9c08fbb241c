#include "engine/op_group_phases.h"

namespace pelko {
namespace {

constexpr char kLostQuestion[] = "Некоторые приборы могут быть потеряны. Продолжить?";

std::string DeviceList(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

}  // namespace

const char* TGroupPhasesOp::StepName(int step) const {
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
        const int took = !a.Failure && a.Verdict() ? 1 : C.CheckPassChange(adr, FCurPass, C.Settings.StandPass);
        if (took == 1) C.Group.SetPass(FIndex, C.Settings.StandPass);
        if (took < 0) FPassUnsure.push_back(C.DeviceLabel(adr));
        if (took == 0) FPassRefused.push_back(C.DeviceLabel(adr));
    } else if (step == PassLogin && !a.Failure && a.Verdict()) {
        C.Group.SetState(FIndex, dfOpened);
        C.Group.SetPass(FIndex, C.Settings.StandPass);
        C.Host.UpdateGridDev();
        return C.Request(C.Requests.ReadConfig(adr), PassReadConfig);
    } else if (step == PassReadConfig && !a.Failure && a.FrameLength == kConfigAnswerLength && a.Complete()) {
        C.Group.SetState(FIndex, dfParamsRead);
        C.Host.UpdateGridDev();
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
        C.Host.ShowMessage(kCaptionAttention, "Не приняли новый пароль, пароль не изменён: " + DeviceList(FPassRefused),
                           TMsgIcon::Warning);
        FPassRefused.clear();
    }
    if (FPassUnsure.empty()) return;
    C.Host.ShowMessage(kCaptionAttention, "Не удалось проверить пароль приборов: " + DeviceList(FPassUnsure),
                       TMsgIcon::Warning);
    FPassUnsure.clear();
}

// --- speed phase ---

void TGroupPhasesOp::DropClosedDevices() {
    for (int j = C.Group.Count() - 1; j >= 0; --j)
        if (!C.IsOpened(static_cast<DevIndex>(j))) C.Group.DeleteDevice(static_cast<DevIndex>(j));
    C.Host.UpdateGridDev();
    C.RefreshCardList();
    C.Host.UpdateInspDev();
}

// True when a login is under way and the answers carry the phase on.
bool TGroupPhasesOp::StartSpeedPhase() {
    FSpeedPhase = true;
    if (C.FirstClosed() != NoDevice) {
        if (C.Host.AskYesNo(kCaptionMessage, kLostQuestion, TMsgIcon::Warning)) {
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
    FSpeedFrom = C.Session.PortBaudRate();
    FMoved.clear();
    FUnsure.clear();
    C.Group.GetPass(0, FCurPass);
    C.Request(C.Requests.Login(Adr(), FCurPass), SpeedLogin);
    return true;
}

// Every device was dropped: nothing is left to carry the speed into.
void TGroupPhasesOp::SpeedPhaseEmpty() {
    C.Settings.ChangeSpeedToo = false;
    C.Settings.PrevBaudRate = C.Settings.PortBaudRate;
    C.Host.UpdateControls();
}

void TGroupPhasesOp::SpeedAnswered(int step, const TAnswer& a) {
    const bool ok = !a.Failure && a.Verdict();
    if (ok && step == SpeedLogin) return SpeedLoggedIn(a);
    if (ok) {
        C.Group.SetState(FIndex, dfParamsRead);
        C.Host.UpdateGridDev();
        C.Group.SetConfig(FIndex, FBlock);
        FMoved[a.Adr] = FBlock;
        C.StepIt();
        return SpeedDeviceDone();
    }
    // A write without answer may have reached the controller: checked at the
    // new speed once the port is there.
    if (a.Failure && step == SpeedWrite) FUnsure[Adr()] = FBlock;
    // No answer, or refused: the device keeps its speed and is skipped.
    C.SetPosition(FSpeedBase + FIndex * 2 + 2);
    SpeedDeviceDone();
}

void TGroupPhasesOp::SpeedLoggedIn(const TAnswer& a) {
    C.StepIt();
    FBlock = DefaultConfig(a.Adr);
    if (C.Group.GetState(FIndex, dfParamsRead)) {
        C.Group.GetConfig(FIndex, FBlock);
    } else if (!C.Settings.AutoSetDefaultSettings && !C.Cancelling()) {
        C.AskDeviceParams(FBlock, kParamsDialogCaptionPrefix + C.NameOf(FIndex));
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
    if (FSpeedRunning) return FinishSpeedPhase();
    // The speed phase never ran: no controller changed its speed.
    C.Settings.ChangeSpeedToo = false;
    C.Settings.PortBaudRate = C.Settings.PrevBaudRate;
}

// The port follows only now, once every device that answered has switched.
// Where none did, the port and the settings stay at the old speed; either
// way the controllers left at the other speed are named.
void TGroupPhasesOp::FinishSpeedPhase() {
    C.Settings.ChangeSpeedToo = false;
    FSpeedRunning = false;
    if (C.Running(*this)) C.EndOper();
    const std::int32_t from = FSpeedFrom;
    const std::int32_t to = C.Settings.PortBaudRate;
    if (!C.ReopenAt(to)) return PortLost(from, to);
    for (const auto& [adr, block] : FUnsure) {
        const DevIndex i = C.Group.IndexOfAdr(adr);
        if (i == NoDevice || !C.SyncLogin(adr, C.Device(i)->Pass)) continue;
        C.Group.SetState(i, dfParamsRead);
        C.Group.SetConfig(i, block);
        FMoved[adr] = block;
    }
    if (from != to && FMoved.empty()) {
        C.Settings.PortBaudRate = from;
        if (!C.ReopenAt(from)) C.PortMessage();
    }
    C.Settings.PrevBaudRate = C.Settings.PortBaudRate;
    C.PresentAll();
    C.Host.UpdateGridDev();
    if (from == to) return;
    if (FMoved.empty()) {
        C.Host.ShowMessage(kCaptionMessage,
                           "Скорость линии не изменена: ни один прибор не перешёл на скорость " +
                               std::to_string(to) + ".",
                           TMsgIcon::Warning);
    }
    NameLeftBehind(FMoved.empty() ? to : from);
}

// The port runs at the speed most controllers now have; each one that does
// not answer there is looked for at the other speed and named where it is.
void TGroupPhasesOp::NameLeftBehind(std::int32_t other) {
    const std::int32_t here = C.Settings.PortBaudRate;
    std::vector<std::string> there, nowhere;
    std::vector<std::uint8_t> candidates;
    for (DevIndex i = 0; i < C.Group.Count(); ++i) {
        const std::uint8_t adr = TEngineCore::AdrOf(*C.Device(i));
        // With none moved, only a controller that may have switched is apart.
        if (FMoved.empty() ? FUnsure.count(adr) != 0 : FMoved.count(adr) == 0) candidates.push_back(adr);
    }
    for (std::uint8_t adr : candidates) {
        const DevIndex i = C.Group.IndexOfAdr(adr);
        if (C.Session.Active() && C.SyncLogin(adr, C.Device(i)->Pass)) {
            // It answers here after all: its parameters say so too.
            TDevConfig block = C.Device(i)->Config;
            if (!C.SyncReadConfig(adr, block)) PutSpeedCode(block, here);
            C.Group.SetConfig(i, block);
            continue;
        }
        if (C.SyncProbeAt(adr, other)) there.push_back(C.DeviceLabel(adr));
        else nowhere.push_back(C.DeviceLabel(adr));
    }
    if (!there.empty()) {
        C.Host.ShowMessage(kCaptionAttention,
                           "Приборы остались на скорости " + std::to_string(other) + " и не отвечают на скорости " +
                               std::to_string(here) + ": " + DeviceList(there),
                           TMsgIcon::Warning);
    }
    if (!nowhere.empty()) {
        C.Host.ShowMessage(kCaptionAttention,
                           "Приборы не отвечают ни на скорости " + std::to_string(here) + ", ни на скорости " +
                               std::to_string(other) + ": " + DeviceList(nowhere),
                           TMsgIcon::Warning);
    }
}

// The port could not be opened at the new speed. The controllers that
// switched answer only there, so the settings follow them, and every
// controller is named with the speed it has now.
void TGroupPhasesOp::PortLost(std::int32_t from, std::int32_t to) {
    C.PortMessage();
    NameWhereTheyAre(from, to);
}

void TGroupPhasesOp::OnPortLost() {
    C.Settings.ChangeSpeedToo = false;
    ReportPassUnsure();
    if (!FSpeedRunning) {
        C.Settings.PortBaudRate = C.Settings.PrevBaudRate;
        return;
    }
    FSpeedRunning = false;
    NameWhereTheyAre(FSpeedFrom, C.Settings.PortBaudRate);
}

void TGroupPhasesOp::NameWhereTheyAre(std::int32_t from, std::int32_t to) {
    const std::int32_t kept = FMoved.empty() ? from : to;
    C.Settings.PortBaudRate = C.Settings.PrevBaudRate = kept;
    C.Session.SetPortBaudRate(kept);
    if (FMoved.empty() && FUnsure.empty()) return;
    std::vector<std::string> moved, stayed;
    for (DevIndex i = 0; i < C.Group.Count(); ++i) {
        const std::uint8_t adr = TEngineCore::AdrOf(*C.Device(i));
        (FMoved.count(adr) || FUnsure.count(adr) ? moved : stayed).push_back(C.DeviceLabel(adr));
    }
    std::string text = "Скорость " + std::to_string(to) + " записана в приборы: " + DeviceList(moved) + ".";
    if (!stayed.empty()) text += " На скорости " + std::to_string(from) + " остались: " + DeviceList(stayed) + ".";
    C.Host.ShowMessage(kCaptionAttention, text, TMsgIcon::Warning);
}

}  // namespace pelko
