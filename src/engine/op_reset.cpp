#include "engine/op_reset.h"

namespace pelko {
namespace {

constexpr int kRestartSeconds = 12;  // seconds shown while the controller restarts, one more waited
constexpr unsigned kSecondMs = 1000;
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
constexpr char kAddressOneTaken[] =
    " — не сброшен: по адресу 1 отвечает другой прибор, а после сброса прибор займёт адрес 1. Сначала дайте "
    "тому прибору другой адрес.";

}  // namespace

// Once the reset may have gone out, stopping half way would leave the
// controller at address 1: it is not to be cancelled.
void TResetOp::Start() {
    C.SetCancellable(false);
    CheckAddressOne();
}

// A reset sends the controller to address 1 at 9600: safe only where nothing
// else answers there, at that speed or at the program's.
void TResetOp::CheckAddressOne() {
    const std::uint8_t own = Own();
    const std::int32_t speed = C.Session.PortBaudRate();
    const auto atFactory = [this, own, speed] {
        if (own == kFactoryAdr && speed == kFactoryBaud) return SendReset();  // it is the one answering there
        ProbeAt(kFactoryAdr, kFactoryBaud, [this](bool taken) { taken ? AddressOneTaken() : SendReset(); });
    };
    if (own == 1) return atFactory();
    Probe(1, [this, atFactory](bool taken) { taken ? AddressOneTaken() : atFactory(); });
}

void TResetOp::AddressOneTaken() {
    C.Result().failed = true;
    C.Notice(kCaptionAttention, C.DeviceLabel(Own()) + kAddressOneTaken, TMsgIcon::Warning);
    Done();
}

void TResetOp::SendReset() { Ask(C.Requests.Reset(Own()), "reset", [this](const TAnswer& a) { ResetAnswered(a); }); }

void TResetOp::ResetAnswered(const TAnswer& a) {
    if (a.Failure) {
        // A controller restarting cannot answer: it may have reset. Its
        // login at address 1 tells: nothing else answered there before.
        FUnacked = true;
        C.StepIt();
        return RestartWait(0);
    }
    if (!a.Verdict()) return Failed(kResetRefused, true);
    C.StepIt();
    RestartWait(0);
}

// The port stays the program's through the wait: another program must not
// take it while the controller sits at address 1 with the factory password.
// The wait is the operation's own count on the caller's clock; the bar only
// shows it.
void TResetOp::RestartWait(int seconds) {
    Wait(kSecondMs, [this, seconds] {
        if (seconds >= kRestartSeconds) return Restarted();
        C.StepIt();
        RestartWait(seconds + 1);
    });
}

// Once the reset request may have gone out, the controller may sit at
// address 1 with the factory password.
void TResetOp::OnPortLost() {
    TChainOp::OnPortLost();
    C.Group.ClearState(FIndex, dfOpened);
    C.Changed(chDevices);
    C.Notice(kCaptionAttention, C.DeviceLabel(Own()) + kWhereAfterReset, TMsgIcon::Warning);
}

void TResetOp::Restarted() {
    FStage = RestoreLogin;
    // Still at its own address: it did not reset, and whatever answers at
    // address 1 is another controller.
    const std::uint8_t own = Own();
    const bool movesAway = own != kFactoryAdr || C.Session.PortBaudRate() != kFactoryBaud;
    if (!movesAway || !C.Session.Active()) return LoginAtFactory();
    Probe(own, [this](bool stayed) {
        if (!stayed) return LoginAtFactory();
        FStage = Reset;
        FUnacked = false;
        Failed(kNotReset);
    });
}

void TResetOp::LoginAtFactory() {
    if (!C.ReopenAt(kFactoryBaud)) {
        C.Result().failed = true;
        C.PortMessage();
        C.Notice(kCaptionAttention, C.DeviceLabel(Own()) + kWhereAfterReset, TMsgIcon::Warning);
        return Done();
    }
    Ask(C.Requests.Login(kFactoryAdr, FactoryPass), "restore login", [this](const TAnswer& a) {
        if (a.Failure) return Failed(FUnacked ? kMayHaveReset : kNoAnswerAfterReset);
        LoggedIn();
    });
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
    if (C.Group.GetState(FIndex, dfParamsRead)) FBlock = dev.Config;
    else FBlock = FRestore ? *FRestore : DefaultConfig(TEngineCore::AdrOf(dev));
    FBlock[kAdrByte] = TEngineCore::AdrOf(dev);
    // Stored parameters may carry another speed; the port goes to the program's.
    PutSpeedCode(FBlock, C.Settings.PortBaudRate);
    FStage = WriteConfig;
    Ask(C.Requests.WriteConfig(kFactoryAdr, FBlock), "restore parameters",
        [this](const TAnswer& a) { ConfigAnswered(a); });
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
    const auto lost = [this] {
        AtFactory();
        Failed(kNoAnswerAfterReset);
    };
    if (!open) return lost();
    Login(Own(), FactoryPass, [this, lost](bool there) { there ? ConfigWritten() : lost(); });
}

void TResetOp::ConfigWritten() {
    TConfPelko& dev = *Dev();
    C.Group.SetState(FIndex, dfParamsRead);
    C.Group.SetConfig(FIndex, FBlock);
    C.StepIt();
    if (C.Settings.PortBaudRate != kFactoryBaud || C.Session.PortBaudRate() != C.Settings.PortBaudRate) {
        if (!C.ReopenAt(C.Settings.PortBaudRate)) {
            C.Result().failed = true;
            C.PortMessage();
            return Done();
        }
        C.Session.SetDevPresent(TEngineCore::AdrOf(dev));
        C.PresentAll();
    }
    Wait(kSettleMs, [this] { RestorePassword(); });
}

void TResetOp::RestorePassword() {
    TConfPelko& dev = *Dev();
    if (SameCode(dev.Pass, FactoryPass)) {
        C.StepIt();
        C.Group.SetState(FIndex, dfOpened);
        C.Changed(chDevices);
        return Done();
    }
    FStage = RestorePass;
    Ask(C.Requests.ChangePass(TEngineCore::AdrOf(dev), FactoryPass, dev.Pass), "restore password",
        [this](const TAnswer& a) { PassAnswered(a); });
}

// Another byte, or no answer, may still mean a change: the login tells. Until
// then the stored password is kept, but the device is not claimed open.
void TResetOp::PassAnswered(const TAnswer& a) {
    if (Accepted(a)) return PassKept(1);
    CheckPassChange(Own(), FactoryPass, Dev()->Pass, [this](int took) { PassKept(took); });
}

// took: 1 its own password, 0 still the factory one, -1 unknown.
void TResetOp::PassKept(int took) {
    if (took == 1) {
        C.Group.SetState(FIndex, dfOpened);
        C.Changed(chDevices);
        C.StepIt();
        return Done();
    }
    if (took == 0) {
        // It keeps the factory password it was opened with.
        C.Group.SetPass(FIndex, FactoryPass);
        C.Group.SetState(FIndex, dfOpened);
        C.Changed(chDevices);
        return Failed(kPassRefused, true);
    }
    C.Group.ClearState(FIndex, dfOpened);
    C.Changed(chDevices);
    Failed(kPassUnknown);
}

// After the reset took the controller has the factory password, wherever it is.
void TResetOp::AtFactory() {
    C.Group.SetPass(FIndex, FactoryPass);
    C.Group.ClearState(FIndex, dfOpened);
    C.Changed(chDevices);
}

// The controller stopped answering somewhere in the reset: end instead of
// waiting for good, and tell the user where it was left.
void TResetOp::Failed(const char* text, bool opened) {
    // Once the reset may have taken, the program no longer claims the device open.
    if (!opened && (FStage != Reset || FUnacked)) {
        C.Group.ClearState(FIndex, dfOpened);
        C.Changed(chDevices);
    }
    C.Result().failed = true;
    Done();
    C.Notice(kCaptionMessage, C.DeviceLabel(Own()) + " — " + text, TMsgIcon::Warning);
}

}  // namespace pelko
