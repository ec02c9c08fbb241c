// Reset of the selected controller to its factory state and its restore:
// after the reset it answers at address 1, 9600 baud, to the factory
// password; the engine waits for its restart, gives it back its address,
// the program's speed and its own password.
#include "engine/engine.h"

namespace pelko {
namespace {

constexpr int kResetSteps = 17;
constexpr int kRestartTicks = 12;  // one-second ticks while the controller restarts
constexpr unsigned kTimerMs = 100;
constexpr unsigned kRestartTickMs = 1000;
constexpr unsigned kSettleMs = 100;
constexpr std::int32_t kFactoryBaud = 9600;
constexpr std::uint8_t kFactoryAdr = 1;

constexpr char kNoResetAnswer[] = "Контроллер не ответил на команду сброса.";
constexpr char kNoAnswerAfterReset[] =
    "Контроллер не отвечает после сброса. Он может остаться по адресу 1 на скорости 9600.";
constexpr char kPassRefused[] =
    "Не удалось вернуть контроллеру его пароль. Контроллер открыт с заводским паролем.";
constexpr char kNoPassAnswer[] = "Контроллер не ответил на смену пароля после сброса.";
constexpr char kMayHaveReset[] =
    "Контроллер не ответил на команду сброса и не отвечает по адресу 1 на скорости 9600. "
    "Если он сбросился, он отвечает там с заводским паролем.";
constexpr char kConfigRefused[] =
    "Контроллер отказался принять настройки после сброса. Он остался по адресу 1 на скорости 9600 "
    "с заводским паролем.";
constexpr char kPassUnknown[] =
    "Не удалось проверить пароль контроллера после сброса. Пароль в программе не изменён.";

}  // namespace

void TEngine::ResetDevClick() {
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr) return;
    const std::uint8_t adr = AdrOf(*dev);
    FHost.ProgressCancelEnabled(false);
    FHost.SetTimer1(false, kTimerMs);
    SetProgBFrm(kResetSteps, kResetCaptionPrefix + dev->Name, false);
    if (RestartSession()) {
        FResetStep = ResetStep::Reset;
        FResetUnacked = false;
        FResetConfigSent = false;
        OperState = osReset;
        Queue(Requests.Reset(adr));
        ShowModal();
    } else {
        PortMessage();
    }
    OperState = osIdle;
    FHost.SetTimer1(false, kTimerMs);
    if (FSettings.PortBaudRate != kFactoryBaud || FSession.PortBaudRate() != FSettings.PortBaudRate) {
        FSession.SetActive(false);
        FSession.SetPortBaudRate(FSettings.PortBaudRate);
    }
    if (ActivateSession()) PresentAll();
    FHost.ProgressCancelEnabled(true);
}

void TEngine::OnReset(const TAnswer& a, std::uint32_t) {
    if (a.Failure) {
        if (FResetStep == ResetStep::Reset) {
            // A controller restarting cannot answer: it may have reset. Its
            // login at address 1 tells, unless another device owns address 1.
            const DevIndex at1 = FGroup.IndexOfAdr(kFactoryAdr);
            if (at1 != NoDevice && at1 != FGroup.Selected()) return ResetFailed(kNoResetAnswer);
            FResetUnacked = true;
            return ResetRestartWait();
        }
        if (FResetStep == ResetStep::Restore) {
            if (FResetConfigSent) return ResetConfigLost();
            return ResetFailed(FResetUnacked ? kMayHaveReset : kNoAnswerAfterReset);
        }
        return ResetPassUnsure();
    }
    switch (a.Cmd) {
        case ansReset:
            if (!a.Verdict()) return EndOper();
            FResetUnacked = false;
            return ResetRestartWait();
        case ansLogin:
            return ResetLoggedIn();
        case ansWriteConfig:
            FResetConfigSent = false;
            if (!a.Verdict()) {
                ResetAtFactory();
                return ResetFailed(kConfigRefused);
            }
            return ResetConfigWritten();
        case ansChangePass:
            if (!a.Verdict()) {
                // Another byte may still mean a change: the login tells.
                const TConfPelko* dev = SelectedDevice();
                const int took = dev == nullptr ? -1 : CheckPassChange(a.Adr, FactoryPass, dev->Pass);
                if (took == 1) {
                    FGroup.SetStateByAdr(a.Adr, dfOpened);
                    FHost.UpdateGridDev();
                    StepIt();
                    return EndOper();
                }
                if (took < 0) {
                    FGroup.ClearState(FGroup.Selected(), dfOpened);
                    FHost.UpdateGridDev();
                    return ResetFailed(kPassUnknown);
                }
                // It keeps the factory password it was opened with.
                const DevIndex sel = FGroup.Selected();
                FGroup.SetPass(sel, FactoryPass);
                FGroup.SetState(sel, dfOpened);
                FHost.UpdateGridDev();
                return ResetFailed(kPassRefused, true);
            }
            FGroup.SetStateByAdr(a.Adr, dfOpened);
            FHost.UpdateGridDev();
            StepIt();
            return EndOper();
        default:
            return;
    }
}

void TEngine::ResetRestartWait() {
    FSession.SetActive(false);  // the port rests while the controller restarts
    StepIt();
    FHost.SetTimer1(false, kRestartTickMs);
    FHost.SetTimer1(true, kRestartTickMs);
}

// After the reset took the controller has the factory password, wherever it is.
void TEngine::ResetAtFactory() {
    const DevIndex sel = FGroup.Selected();
    if (sel == NoDevice) return;
    FGroup.SetPass(sel, FactoryPass);
    FGroup.ClearState(sel, dfOpened);
    FHost.UpdateGridDev();
}

// The configuration write's answer was lost: the controller may already sit
// at its own address and the program's speed.
void TEngine::ResetConfigLost() {
    FResetConfigSent = false;
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr) return EndOper();
    if (FSession.PortBaudRate() != FSettings.PortBaudRate) {
        FSession.SetActive(false);
        FSession.SetPortBaudRate(FSettings.PortBaudRate);
    }
    if (ActivateSession() && SyncLogin(AdrOf(*dev), FactoryPass)) return ResetConfigWritten();
    ResetAtFactory();
    ResetFailed(kNoAnswerAfterReset);
}

// The password change's outcome is unknown: the stored password is kept, but
// the device is not claimed open.
void TEngine::ResetPassUnsure() {
    if (TConfPelko* dev = SelectedDevice()) {
        const int took = CheckPassChange(AdrOf(*dev), FactoryPass, dev->Pass);
        if (took == 1) {
            FGroup.SetState(FGroup.Selected(), dfOpened);
            FHost.UpdateGridDev();
            StepIt();
            return EndOper();
        }
        if (took == 0) {
            FGroup.SetPass(FGroup.Selected(), FactoryPass);
            FGroup.SetState(FGroup.Selected(), dfOpened);
            FHost.UpdateGridDev();
            return ResetFailed(kPassRefused, true);
        }
        FGroup.ClearState(FGroup.Selected(), dfOpened);
        FHost.UpdateGridDev();
    }
    ResetFailed(kPassUnknown);
}

void TEngine::ResetTimerTick() {
    if (FBar.Position <= kRestartTicks) return SetPosition(FBar.Position + 1);
    FHost.SetTimer1(false, kTimerMs);
    FSession.SetPortBaudRate(kFactoryBaud);
    FResetStep = ResetStep::Restore;
    if (!ActivateSession()) {
        EndOper();
        return PortMessage();
    }
    CurPass = FactoryPass;
    Login(kFactoryAdr, CurPass);
}

void TEngine::ResetLoggedIn() {
    StepIt();
    FSession.SetDevPresent(kFactoryAdr);
    const DevIndex sel = FGroup.Selected();
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr) return EndOper();
    // Only the reset device itself answers at address 1 and 9600 now.
    if (AdrOf(*dev) == kFactoryAdr && !IsOpened(sel)) {
        FGroup.SetState(sel, dfOpened);
        FGroup.SetPass(sel, FactoryPass);
    }
    if (FGroup.GetState(sel, dfParamsRead)) {
        WorkConfig = dev->Config;
    } else {
        WorkConfig = DefaultConfig(AdrOf(*dev));
        CurIndex = sel;
        if (!FSettings.AutoSetDefaultSettings) AskDeviceParams(kParamsDialogCaptionPrefix + dev->Name);
    }
    // Stored parameters may carry another speed; the port goes to the program's.
    PutSpeedCode(WorkConfig, FSettings.PortBaudRate);
    FResetConfigSent = true;
    Queue(Requests.WriteConfig(kFactoryAdr, WorkConfig));
}

void TEngine::ResetConfigWritten() {
    const DevIndex sel = FGroup.Selected();
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr) return EndOper();
    FGroup.SetState(sel, dfParamsRead);
    FGroup.SetConfig(sel, WorkConfig);
    StepIt();
    if (FSettings.PortBaudRate != kFactoryBaud) {
        FSession.SetActive(false);
        FSession.SetPortBaudRate(FSettings.PortBaudRate);
        if (!ActivateSession()) {
            EndOper();
            return PortMessage();
        }
        FSession.SetDevPresent(AdrOf(*dev));
        PresentAll();
    }
    FHost.Pause(kSettleMs);
    CurPass = FactoryPass;
    if (!SameCode(dev->Pass, FactoryPass)) {
        FResetStep = ResetStep::Password;
        Queue(Requests.ChangePass(AdrOf(*dev), FactoryPass, dev->Pass));
        CurPass = dev->Pass;
        return;
    }
    StepIt();
    FGroup.SetState(sel, dfOpened);
    FHost.UpdateGridDev();
    EndOper();
    FHost.UpdateControls();
}

// The controller stopped answering somewhere in the reset: end instead of
// waiting for good, and tell the user where it was left.
void TEngine::ResetFailed(const char* text, bool opened) {
    FHost.SetTimer1(false, kTimerMs);
    // Once the reset may have taken, the program no longer claims the device open.
    if (!opened && (FResetStep != ResetStep::Reset || FResetUnacked)) {
        FGroup.ClearState(FGroup.Selected(), dfOpened);
        FHost.UpdateGridDev();
    }
    EndOper();
    FHost.ShowMessage(kCaptionMessage, text, TMsgIcon::Warning);
}

}  // namespace pelko
