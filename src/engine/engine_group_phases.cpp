// Carrying a new common password and a new line speed into every device of
// the group: the password phase, then (or alone) the speed phase, which
// switches the port only after the last device.
#include "engine/engine.h"

namespace pelko {
namespace {

constexpr char kLostQuestion[] = "Некоторые приборы могут быть потеряны. Продолжить?";

std::string DeviceList(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ", ") + n;
    return out;
}

}  // namespace

bool TEngine::NeedsStandPass(std::uint8_t i) {
    if (!IsOpened(i)) return false;
    FGroup.GetPass(i, CurPass);
    const bool oldCommon = SameCode(CurPass, FSettings.OldStandPass);
    if ((oldCommon && !SameCode(FSettings.OldStandPass, FSettings.StandPass)) ||
        (!oldCommon && !FSettings.SavePass)) {
        NewStandPass = FSettings.StandPass;
        return true;
    }
    return false;
}

// Cancel ends the phase in a state the controllers share: what they
// confirmed is kept, and the port follows the speed they now have.
void TEngine::ShowModalPhase() {
    if (ShowModal() == TModalResult::Cancel) {
        OperState = osIdle;
        ReportPassUnsure();
        if (FSpeedRunning) {
            FinishSpeedPhase();
        } else {
            // The speed phase never ran: no controller changed its speed.
            FSettings.ChangeSpeedToo = false;
            FSettings.PortBaudRate = FSettings.PrevBaudRate;
        }
    }
    FHost.UpdateControls();
}

std::string TEngine::DeviceLabel(std::uint8_t adr) {
    const DevIndex i = FGroup.IndexOfAdr(adr);
    std::string name = i == NoDevice ? std::string() : NameOf(i);
    return name + " (адрес " + std::to_string(adr) + ")";
}

// A password change answered with a byte other than 0xFF may still have
// taken: the controller's own login tells. 1 new, 0 old, -1 neither.
int TEngine::CheckPassChange(std::uint8_t adr, const TCode& oldPass, const TCode& newPass) {
    if (!FSession.Active()) return -1;
    if (SyncLogin(adr, newPass)) return 1;
    if (SyncLogin(adr, oldPass)) return 0;
    return -1;
}

void TEngine::CarryIntoDevices(bool passwordChanged, bool speedChanged) {
    FSettings.ChangeSpeedToo = passwordChanged && speedChanged;
    if (passwordChanged) return RunPasswordPhase();
    if (speedChanged && StartSpeedPhase(false)) ShowModalPhase();
}

void TEngine::RunPasswordPhase() {
    const int n = FGroup.Count();
    CurIndex = 0;
    SetProgBFrm(FSettings.ChangeSpeedToo ? 3 * n : n, kChangeParamsCaption, false);
    bool found = !IsOpened(0) || NeedsStandPass(0);
    while (!found && CurIndex + 1 < n) {
        ++CurIndex;
        found = !IsOpened(CurIndex) || NeedsStandPass(CurIndex);
    }
    if (found) {
        const std::uint8_t adr = AdrOf(*Device(CurIndex));
        if (!IsOpened(CurIndex)) Login(adr, FSettings.StandPass);
        else QueuePassChange(adr);
        OperState = osSetStandPass;
        SetPosition(CurIndex == 0 ? 0 : CurIndex + 1);
        return ShowModalPhase();
    }
    // No device needs anything: no empty progress window to cancel.
    SetPosition(n);
    if (!FSettings.ChangeSpeedToo) {
        OperState = osIdle;
        return FHost.UpdateControls();
    }
    OperState = osSetSpeed;
    if (StartSpeedPhase(false)) ShowModalPhase();
}

void TEngine::OnSetStandPass(const TAnswer& a, std::uint32_t) {
    const bool changing = FPassChanging;
    FPassChanging = false;
    if (a.Failure && changing) {
        // A lost answer may hide a change the controller made.
        const std::uint8_t adr = AdrOf(*Device(CurIndex));
        const int took = CheckPassChange(adr, CurPass, NewStandPass);
        if (took == 1) FGroup.SetPass(CurIndex, NewStandPass);
        if (took < 0) FPhaseUnsure.push_back(DeviceLabel(adr));
    }
    if (!a.Failure) {
        switch (a.Cmd) {
            case ansChangePass: {
                int took = 1;
                if (!a.Verdict()) took = CheckPassChange(a.Adr, CurPass, NewStandPass);
                if (took == 1) FGroup.SetPass(CurIndex, NewStandPass);
                if (took < 0) FPhaseUnsure.push_back(DeviceLabel(a.Adr));
                break;
            }
            case ansLogin:
                if (!a.Verdict()) break;
                FGroup.SetState(FGroup.IndexOfAdr(a.Adr), dfOpened);
                FGroup.SetPass(CurIndex, FSettings.StandPass);
                FHost.UpdateGridDev();
                return ReadConfig(a.Adr);
            case ansReadConfig:
                if (a.FrameLength == kConfigAnswerLength && a.Complete()) {
                    FGroup.SetState(CurIndex, dfParamsRead);
                    FHost.UpdateGridDev();
                    WorkConfig = a.Block();
                    FGroup.SetConfig(CurIndex, WorkConfig);
                }
                break;
            default:
                return;
        }
    }
    StepIt();
    PassPhaseNext();
}

void TEngine::QueuePassChange(std::uint8_t adr) {
    FPassChanging = true;
    Queue(Requests.ChangePass(adr, CurPass, NewStandPass));
}

void TEngine::PassPhaseNext() {
    while (CurIndex + 1 < FGroup.Count()) {
        ++CurIndex;
        const std::uint8_t adr = AdrOf(*Device(CurIndex));
        if (!IsOpened(CurIndex)) {
            // A device that takes the common password already carries it.
            Login(adr, FSettings.StandPass);
        } else if (NeedsStandPass(CurIndex)) {
            QueuePassChange(adr);
        } else {
            continue;
        }
        return SetPosition(CurIndex + 1);
    }
    PassPhaseDone();
}

void TEngine::PassPhaseDone() {
    SetPosition(FGroup.Count());
    ReportPassUnsure();
    if (!FSettings.ChangeSpeedToo) return EndOper();
    OperState = osSetSpeed;
    StartSpeedPhase(true);
}

void TEngine::DropClosedDevices() {
    for (int j = FGroup.Count() - 1; j >= 0; --j)
        if (!IsOpened(static_cast<DevIndex>(j))) FGroup.DeleteDevice(static_cast<DevIndex>(j));
    FHost.UpdateGridDev();
    RefreshCardList();
    FHost.UpdateInspDev();
}

// True when a login is under way and the answers carry the phase on.
bool TEngine::StartSpeedPhase(bool fromAnswer) {
    if (FirstClosed() != NoDevice) {
        if (FHost.AskYesNo(kCaptionMessage, kLostQuestion, TMsgIcon::Warning)) {
            DropClosedDevices();
            if (FGroup.Count() == 0) {
                FSession.SetActive(false);
                FSession.SetPortBaudRate(FSettings.PortBaudRate);
                if (!ActivateSession()) PortMessage();
            }
        } else {
            FSettings.PortBaudRate = FSettings.PrevBaudRate;
        }
    }
    if (FGroup.Count() == 0) {
        SpeedPhaseEmpty(fromAnswer);
        return false;
    }
    if (!FSettings.ChangeSpeedToo) SetProgBFrm(2 * FGroup.Count(), kChangeParamsCaption, false);
    FSpeedBase = FBar.Position;
    FGroup.GetPass(0, CurPass);
    CurIndex = 0;
    OperState = osSetSpeed;
    FSpeedRunning = true;
    FSpeedFrom = FSession.PortBaudRate();
    FSpeedMoved.clear();
    FSpeedUnsure.clear();
    Login(AdrOf(*Device(0)), CurPass);
    return true;
}

// Every device was dropped: nothing is left to carry the speed into.
void TEngine::SpeedPhaseEmpty(bool fromAnswer) {
    FSettings.ChangeSpeedToo = false;
    FSettings.PrevBaudRate = FSettings.PortBaudRate;
    if (fromAnswer) EndOper();
    else OperState = osIdle;
    FHost.UpdateControls();
}

void TEngine::OnSetSpeed(const TAnswer& a, std::uint32_t) {
    const bool ok = !a.Failure && a.Verdict();
    if (ok && a.Cmd == ansLogin) return SpeedLoggedIn(a);
    if (ok && a.Cmd == ansWriteConfig) {
        const DevIndex i = FGroup.IndexOfAdr(a.Adr);
        FGroup.SetState(i, dfParamsRead);
        FHost.UpdateGridDev();
        FGroup.SetConfig(i, WorkConfig);
        FSpeedMoved[a.Adr] = WorkConfig;
        FSpeedWriting = false;
        StepIt();
        return SpeedDeviceDone();
    }
    if (!a.Failure && a.Cmd != ansLogin && a.Cmd != ansWriteConfig) return;
    // A write without answer may have reached the controller: checked at the
    // new speed once the port is there.
    if (a.Failure && FSpeedWriting) FSpeedUnsure[AdrOf(*Device(CurIndex))] = WorkConfig;
    FSpeedWriting = false;
    // No answer, or refused: the device keeps its speed and is skipped.
    SetPosition(FSpeedBase + CurIndex * 2 + 2);
    SpeedDeviceDone();
}

void TEngine::SpeedLoggedIn(const TAnswer& a) {
    StepIt();
    WorkConfig = DefaultConfig(a.Adr);
    const DevIndex i = FGroup.IndexOfAdr(a.Adr);
    if (FGroup.GetState(i, dfParamsRead)) {
        FGroup.GetConfig(i, WorkConfig);
    } else if (!FSettings.AutoSetDefaultSettings && !FCancelling) {
        AskDeviceParams(kParamsDialogCaptionPrefix + NameOf(CurIndex));
    }
    PutSpeedCode(WorkConfig, FSettings.PortBaudRate);
    if (FCancelling) return;
    FSpeedWriting = true;
    Queue(Requests.WriteConfig(a.Adr, WorkConfig));
}

void TEngine::SpeedDeviceDone() {
    if (CurIndex + 1 < FGroup.Count()) return LoginNextDevice();
    FinishSpeedPhase();
}

void TEngine::LoginNextDevice() {
    ++CurIndex;
    FGroup.GetPass(CurIndex, CurPass);
    Login(AdrOf(*Device(CurIndex)), CurPass);
}

// The port follows only now, once every device that answered has switched.
// Where none did, the port and the settings stay at the old speed; either
// way the controllers left at the other speed are named.
void TEngine::FinishSpeedPhase() {
    CurIndex = 0;
    FSettings.ChangeSpeedToo = false;
    FSpeedRunning = false;
    FSpeedWriting = false;
    EndOper();
    const std::int32_t from = FSpeedFrom;
    const std::int32_t to = FSettings.PortBaudRate;
    FSession.SetActive(false);
    FSession.SetPortBaudRate(to);
    if (!ActivateSession()) {
        FSettings.PortBaudRate = FSettings.PrevBaudRate = from;
        FSession.SetPortBaudRate(from);
        return PortMessage();
    }
    for (const auto& [adr, block] : FSpeedUnsure) {
        const DevIndex i = FGroup.IndexOfAdr(adr);
        if (i == NoDevice || !SyncLogin(adr, Device(i)->Pass)) continue;
        FGroup.SetState(i, dfParamsRead);
        FGroup.SetConfig(i, block);
        FSpeedMoved[adr] = block;
    }
    if (from != to && FSpeedMoved.empty()) {
        FSession.SetActive(false);
        FSession.SetPortBaudRate(from);
        FSettings.PortBaudRate = from;
        if (!ActivateSession()) PortMessage();
    }
    FSettings.PrevBaudRate = FSettings.PortBaudRate;
    PresentAll();
    FHost.UpdateGridDev();
    if (from == to) return;
    const std::int32_t other = FSpeedMoved.empty() ? to : from;
    std::vector<std::string> left;
    for (DevIndex i = 0; i < FGroup.Count(); ++i) {
        const std::uint8_t adr = AdrOf(*Device(i));
        if (!FSpeedMoved.empty() && FSpeedMoved.count(adr)) continue;
        // With none moved, only a controller that may have switched is apart.
        if (FSpeedMoved.empty() && !FSpeedUnsure.count(adr)) continue;
        left.push_back(DeviceLabel(adr));
    }
    if (FSpeedMoved.empty()) {
        FHost.ShowMessage(kCaptionMessage,
                          "Скорость линии не изменена: ни один прибор не перешёл на скорость " +
                              std::to_string(to) + ".",
                          TMsgIcon::Warning);
    }
    if (!left.empty()) {
        FHost.ShowMessage(kCaptionAttention,
                          "Приборы могут остаться на скорости " + std::to_string(other) +
                              " и не отвечать на скорости " + std::to_string(FSettings.PortBaudRate) +
                              ": " + DeviceList(left),
                          TMsgIcon::Warning);
    }
}

void TEngine::ReportPassUnsure() {
    if (FPhaseUnsure.empty()) return;
    FHost.ShowMessage(kCaptionAttention,
                      "Не удалось проверить пароль приборов: " + DeviceList(FPhaseUnsure),
                      TMsgIcon::Warning);
    FPhaseUnsure.clear();
}

}  // namespace pelko
