#include "engine/op_reset.h"

namespace pelko {
namespace {

constexpr int kRestartTicks = 12;  // one-second ticks while the controller restarts
constexpr unsigned kRestartTickMs = 1000;
constexpr unsigned kSettleMs = 100;

// After the controller's name and address.
constexpr char kNotReset[] = "не сбросился: он по-прежнему отвечает по своему адресу. Настройки не изменены.";
constexpr char kWhereAfterReset[] = " — может отвечать по адресу 1 на скорости 9600 с заводским паролем.";
constexpr char kNoAnswerAfterReset[] =
    "не отвечает после сброса. Он может остаться по адресу 1 на скорости 9600 с заводским паролем.";
constexpr char kPassRefused[] = "не принял свой пароль после сброса и открыт с заводским паролем.";
constexpr char kMayHaveReset[] =
    "не ответил на команду сброса и не отвечает по адресу 1 на скорости 9600. "
    "Если он сбросился, он отвечает там с заводским паролем.";
constexpr char kConfigRefused[] =
    "не принял настройки после сброса. Он остался по адресу 1 на скорости 9600 с заводским паролем.";
constexpr char kResetRefused[] = "не принял команду сброса. Карты, пароль и настройки не изменены.";
constexpr char kPassUnknown[] = "не удалось проверить пароль после сброса. Пароль в программе не изменён.";

}  // namespace

const char* TResetOp::StepName(int step) const {
    static const char* const kNames[] = {"reset", "restore login", "restore parameters", "restore password"};
    return step >= 0 && step <= RestorePass ? kNames[step] : "?";
}

void TResetOp::Start() { C.Request(C.Requests.Reset(TEngineCore::AdrOf(*Dev())), Reset); }

void TResetOp::OnAnswer(int step, const TAnswer& a) {
    if (Dev() == nullptr) return C.EndOper();
    switch (step) {
        case Reset: return ResetAnswered(a);
        case RestoreLogin:
            if (a.Failure) return Failed(FUnacked ? kMayHaveReset : kNoAnswerAfterReset);
            return LoggedIn();
        case WriteConfig: return ConfigAnswered(a);
        default: return PassAnswered(a);
    }
}

void TResetOp::ResetAnswered(const TAnswer& a) {
    if (a.Failure) {
        // A controller restarting cannot answer: it may have reset. Its
        // login at address 1 tells: nothing else answered there before.
        FUnacked = true;
        return RestartWait();
    }
    if (!a.Verdict()) return Failed(kResetRefused, true);
    RestartWait();
}

// The port stays the program's through the wait: another program must not
// take it while the controller sits at address 1 with the factory password.
// Once the reset request may have gone out, the controller may sit at
// address 1 with the factory password.
void TResetOp::OnPortLost() {
    FWaiting = false;
    C.Host.SetTimer1(false, kTimerMs);
    C.Group.ClearState(FIndex, dfOpened);
    C.Host.UpdateGridDev();
    C.Host.ShowMessage(kCaptionAttention, C.DeviceLabel(TEngineCore::AdrOf(*Dev())) + kWhereAfterReset,
                       TMsgIcon::Warning);
}

void TResetOp::RestartWait() {
    C.StepIt();
    FWaiting = true;
    FTicks = 0;
    C.Host.SetTimer1(false, kRestartTickMs);
    C.Host.SetTimer1(true, kRestartTickMs);
}

void TResetOp::OnTimer() {
    if (!FWaiting) return;
    // The wait is the operation's own count of ticks; the bar only shows it.
    if (FTicks++ < kRestartTicks) return C.StepIt();
    FWaiting = false;
    C.Host.SetTimer1(false, kTimerMs);
    FStep = RestoreLogin;
    // Still at its own address: it did not reset, and whatever answers at
    // address 1 is another controller.
    const std::uint8_t own = TEngineCore::AdrOf(*Dev());
    const bool movesAway = own != kFactoryAdr || C.Session.PortBaudRate() != kFactoryBaud;
    if (movesAway && C.Session.Active() && C.SyncProbe(own)) {
        FStep = Reset;
        FUnacked = false;
        return Failed(kNotReset);
    }
    if (!C.ReopenAt(kFactoryBaud)) {
        C.EndOper();
        C.PortMessage();
        return C.Host.ShowMessage(kCaptionAttention, C.DeviceLabel(own) + kWhereAfterReset, TMsgIcon::Warning);
    }
    C.Request(C.Requests.Login(kFactoryAdr, FactoryPass), RestoreLogin);
}

void TResetOp::LoggedIn() {
    C.StepIt();
    C.Session.SetDevPresent(kFactoryAdr);
    TConfPelko& dev = *Dev();
    // Only the reset device itself answers at address 1 and 9600 now.
    if (TEngineCore::AdrOf(dev) == kFactoryAdr && !C.IsOpened(FIndex)) {
        C.Group.SetState(FIndex, dfOpened);
        C.Group.SetPass(FIndex, FactoryPass);
    }
    if (C.Group.GetState(FIndex, dfParamsRead)) {
        FBlock = dev.Config;
    } else {
        FBlock = DefaultConfig(TEngineCore::AdrOf(dev));
        if (!C.Settings.AutoSetDefaultSettings) C.AskDeviceParams(FBlock, kParamsDialogCaptionPrefix + dev.Name);
    }
    // Stored parameters may carry another speed; the port goes to the program's.
    PutSpeedCode(FBlock, C.Settings.PortBaudRate);
    FStep = WriteConfig;
    C.Request(C.Requests.WriteConfig(kFactoryAdr, FBlock), WriteConfig);
}

void TResetOp::ConfigAnswered(const TAnswer& a) {
    if (a.Failure) return ConfigLost();
    if (!a.Verdict()) {
        AtFactory();
        return Failed(kConfigRefused);
    }
    ConfigWritten();
}

// The configuration write's answer was lost: the controller may already sit
// at its own address and the program's speed.
void TResetOp::ConfigLost() {
    const bool open = C.Session.PortBaudRate() != C.Settings.PortBaudRate ? C.ReopenAt(C.Settings.PortBaudRate)
                                                                           : C.ActivateSession();
    if (open && C.SyncLogin(TEngineCore::AdrOf(*Dev()), FactoryPass)) return ConfigWritten();
    AtFactory();
    Failed(kNoAnswerAfterReset);
}

void TResetOp::ConfigWritten() {
    TConfPelko& dev = *Dev();
    C.Group.SetState(FIndex, dfParamsRead);
    C.Group.SetConfig(FIndex, FBlock);
    C.StepIt();
    if (C.Settings.PortBaudRate != kFactoryBaud) {
        if (!C.ReopenAt(C.Settings.PortBaudRate)) {
            C.EndOper();
            return C.PortMessage();
        }
        C.Session.SetDevPresent(TEngineCore::AdrOf(dev));
        C.PresentAll();
    }
    C.Host.Pause(kSettleMs);
    if (!SameCode(dev.Pass, FactoryPass)) {
        FStep = RestorePass;
        return C.Request(C.Requests.ChangePass(TEngineCore::AdrOf(dev), FactoryPass, dev.Pass), RestorePass);
    }
    C.StepIt();
    C.Group.SetState(FIndex, dfOpened);
    C.Host.UpdateGridDev();
    C.EndOper();
    C.Host.UpdateControls();
}

void TResetOp::PassAnswered(const TAnswer& a) {
    if (a.Failure) return PassUnsure();
    if (a.Verdict()) return PassKept(1);
    // Another byte may still mean a change: the login tells.
    PassKept(C.CheckPassChange(TEngineCore::AdrOf(*Dev()), FactoryPass, Dev()->Pass));
}

// The password change's outcome is unknown: the stored password is kept, but
// the device is not claimed open until a login tells.
void TResetOp::PassUnsure() { PassKept(C.CheckPassChange(TEngineCore::AdrOf(*Dev()), FactoryPass, Dev()->Pass)); }

// took: 1 its own password, 0 still the factory one, -1 unknown.
void TResetOp::PassKept(int took) {
    if (took == 1) {
        C.Group.SetState(FIndex, dfOpened);
        C.Host.UpdateGridDev();
        C.StepIt();
        return C.EndOper();
    }
    if (took == 0) {
        // It keeps the factory password it was opened with.
        C.Group.SetPass(FIndex, FactoryPass);
        C.Group.SetState(FIndex, dfOpened);
        C.Host.UpdateGridDev();
        return Failed(kPassRefused, true);
    }
    C.Group.ClearState(FIndex, dfOpened);
    C.Host.UpdateGridDev();
    Failed(kPassUnknown);
}

// After the reset took the controller has the factory password, wherever it is.
void TResetOp::AtFactory() {
    C.Group.SetPass(FIndex, FactoryPass);
    C.Group.ClearState(FIndex, dfOpened);
    C.Host.UpdateGridDev();
}

// The controller stopped answering somewhere in the reset: end instead of
// waiting for good, and tell the user where it was left.
void TResetOp::Failed(const char* text, bool opened) {
    C.Host.SetTimer1(false, kTimerMs);
    // Once the reset may have taken, the program no longer claims the device open.
    if (!opened && (FStep != Reset || FUnacked)) {
        C.Group.ClearState(FIndex, dfOpened);
        C.Host.UpdateGridDev();
    }
    C.EndOper();
    C.Host.ShowMessage(kCaptionMessage, C.DeviceLabel(TEngineCore::AdrOf(*Dev())) + " — " + text, TMsgIcon::Warning);
}

}  // namespace pelko
