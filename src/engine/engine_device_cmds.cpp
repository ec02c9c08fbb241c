// The device menu's single-exchange commands: write the parameters, open with
// a typed password, give the device the common password, change its address.
// All but the password change block on SyncQuery and keep OperState as it is.
#include "engine/engine.h"

#include <algorithm>

namespace pelko {
namespace {

constexpr std::size_t kShortAnswer = 6;
constexpr std::size_t kConfigAnswer = 11;

bool Confirmed(const Bytes& answer, std::uint8_t cmd) {
    return answer.size() >= 4 && answer[2] == cmd && answer[3] == kAccepted;
}

}  // namespace

bool TEngine::SyncLogin(std::uint8_t adr, const TCode& pass) {
    Bytes answer;
    FSession.SyncQuery(Requests.Login(adr, pass), answer, kShortAnswer);
    return Confirmed(answer, ansLogin);
}

bool TEngine::SyncWriteConfig(std::uint8_t adr, const TDevConfig& block) {
    Bytes answer;
    FSession.SyncQuery(Requests.WriteConfig(adr, block), answer, kShortAnswer);
    return Confirmed(answer, ansWriteConfig);
}

void TEngine::SetDevParamsClick() {
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr) return;
    const DevIndex index = FGroup.Selected();
    const std::uint8_t adr = AdrOf(*dev);
    if (FGroup.GetState(index, dfParamsRead)) {
        WorkConfig = dev->Config;
    } else {
        WorkConfig = DefaultConfig(adr);
        PutSpeedCode(WorkConfig, FSettings.PortBaudRate);
    }
    TDeviceParams params = ParamsToDialog(WorkConfig);
    if (!FHost.EditDeviceParams(params, kParamsDialogCaption, true)) return;
    FHost.RepaintMain();
    TDevConfig block = WorkConfig;
    DialogToParams(params, block);
    block[kAdrByte] = adr;
    if (block == WorkConfig) return;
    if (!EnsureActive() || !SyncLogin(adr, dev->Pass)) return;
    // The speed is never changed here: the controller just answered at the
    // port's speed, whatever the stored block or the settings say.
    if (SpeedCode(FSession.PortBaudRate()) == 0) return;
    PutSpeedCode(block, FSession.PortBaudRate());
    if (!SyncWriteConfig(adr, block)) return;
    FGroup.SetState(index, dfParamsRead);
    FGroup.SetConfig(index, block);
    FHost.UpdateGridDev();
}

void TEngine::OpenWithPasClick() {
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr) return;
    const std::optional<std::string> typed = FHost.AskPassword();
    if (!typed) return;
    const DevIndex index = FGroup.Selected();
    const std::uint8_t adr = AdrOf(*dev);
    CurPass = TextToCode(*typed);
    FHost.RepaintMain();
    if (!EnsureActive() || !SyncLogin(adr, CurPass)) return;
    FGroup.SetStateByAdr(adr, dfOpened);
    FHost.UpdateInspDev();
    FGroup.SetPass(index, CurPass);
    FHost.UpdateGridDev();
    FHost.UpdateControls();
    Bytes answer;
    FSession.SyncQuery(Requests.ReadConfig(adr), answer, kConfigAnswer);
    const TAnswer a(answer);
    if (a.Failure || a.Cmd != ansReadConfig || !a.Complete() || a.Data(5) != kAccepted) return;
    WorkConfig = a.Block();
    FGroup.SetState(index, dfParamsRead);
    FGroup.SetConfig(index, WorkConfig);
    FHost.UpdateInspDev();
    FHost.UpdateGridDev();
}

// Queued without an operation; the answer is caught by its Check so that the
// stored password follows the controller's.
void TEngine::ChDevStandPasClick() {
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr) return;
    // A second change before the first answer would send a stale old password.
    if (FStandPassCheck) {
        FHost.ShowMessage(kCaptionAttention, "Смена пароля ещё не завершена. Дождитесь ответа прибора.",
                          TMsgIcon::Warning);
        return;
    }
    if (!EnsureActive()) return;
    CurPass = dev->Pass;
    FStandPassAdr = AdrOf(*dev);
    FStandPassOld = CurPass;
    FStandPassNew = FSettings.StandPass;
    FStandPassCheck = Send(Requests.ChangePass(FStandPassAdr, CurPass, FStandPassNew));
}

void TEngine::OnStandPassAnswer(const TAnswer& a) {
    FStandPassCheck.reset();
    if (!a.Failure && a.Cmd != ansChangePass) return;
    const DevIndex index = FGroup.IndexOfAdr(FStandPassAdr);
    if (index == NoDevice) return;
    if (a.Failure || !a.Verdict()) {
        // No answer or another byte: the change may still have taken. Only
        // checked between operations, where a login disturbs nothing.
        const bool between = OperState == osIdle || OperState == osNone;
        const int took = between ? CheckPassChange(FStandPassAdr, FStandPassOld, FStandPassNew) : -1;
        if (took < 0) {
            FHost.ShowMessage(kCaptionAttention,
                              "Не удалось проверить пароль прибора " + DeviceLabel(FStandPassAdr) + ".",
                              TMsgIcon::Warning);
        }
        if (took != 1) return;
    }
    FGroup.SetPass(index, FStandPassNew);
    FHost.UpdateInspDev();
    FHost.UpdateGridDev();
    FHost.UpdateControls();
}

void TEngine::SetDevAddrClick() {
    TConfPelko* dev = SelectedDevice();
    if (dev == nullptr) return;
    const DevIndex index = FGroup.Selected();
    const std::uint8_t adr = AdrOf(*dev);
    WorkConfig = DefaultConfig(adr);
    std::vector<std::uint8_t> choices{adr};
    for (int d = 1; d <= 254; ++d)
        if (FGroup.IndexOfAdr(static_cast<std::uint8_t>(d)) == NoDevice)
            choices.push_back(static_cast<std::uint8_t>(d));
    const std::optional<std::uint8_t> chosen = FHost.AskAddress(choices);
    if (!chosen) return;
    FHost.RepaintMain();
    const std::uint8_t d = *chosen;
    // Only an address the list offered: another device may own any other.
    if (!IsOpened(index) || d == adr || std::find(choices.begin(), choices.end(), d) == choices.end())
        return;
    if (FGroup.GetState(index, dfParamsRead)) {
        WorkConfig = dev->Config;
    } else {
        if (!FSettings.AutoSetDefaultSettings) {
            TDeviceParams params = ParamsToDialog(WorkConfig);
            if (FHost.EditDeviceParams(params, kParamsDialogCaption, false)) DialogToParams(params, WorkConfig);
            FHost.RepaintMain();
        }
        PutSpeedCode(WorkConfig, FSettings.PortBaudRate);
    }
    WorkConfig[kAdrByte] = d;
    if (!EnsureActive() || !SyncLogin(adr, dev->Pass)) return;
    if (SpeedCode(FSession.PortBaudRate()) == 0) return;
    PutSpeedCode(WorkConfig, FSession.PortBaudRate());  // as for the parameters
    const bool written = SyncWriteConfig(adr, WorkConfig);
    FSession.SetDevPresent(d);
    if (!written) return;
    FGroup.SetState(index, dfParamsRead);
    const DevIndex moved = FGroup.ChangeAdr(index, d);
    FGroup.Select(moved);
    FGroup.SetConfig(moved, WorkConfig);
    FHost.UpdateGridDev();
    FHost.UpdateInspDev();
}

}  // namespace pelko
