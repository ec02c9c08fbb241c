// The toolbar's line commands and the device menu: each asks its dialog or
// question first, then gives the engine the command with what the user
// chose. Those that wipe or overwrite a controller's card cells ask first,
// naming what will be lost; reads are remembered so the question can say when
// the cards being overwritten were never seen.
#include <QLabel>
#include <algorithm>
#include <utility>

#include "engine/device_params.h"

#include "link/pelko_session.h"
#include "engine/preflight.h"
#include "ui/edit_status.h"
#include "ui/exchange_panel.h"
#include "ui/main_form.h"

namespace pelko {
namespace {

constexpr char kCaptionWarning[] = "Внимание";

}  // namespace

// A cancelled read leaves lists that are only partly the controllers' own.
void TMainForm::RememberRead(bool all) {
    if (std::exchange(FProgressCancelled, false)) return;
    for (DevIndex i = 0; i < FGroup.Count(); ++i)
        if (FGroup.GetState(i, dfOpened) && (all || i == FGroup.Selected()))
            FCardsRead.insert(FGroup.GetDevice(i, nullptr)->Config[kAdrByte]);
}

// A read or write that stopped part way has merged or written only some cells:
// the status bar names the operation (and so the controller) and how far it got.
void TMainForm::TransferStatus() {
    if (FProgressText.Operation().empty()) return;
    FStatusInfo->setText(
        FProgressText.Finished()
            ? QString::fromStdString(FProgressText.Operation()) + QStringLiteral(": готово")
            : QStringLiteral("Не завершено: %1 — ячеек %2 из %3")
                  .arg(QString::fromStdString(FProgressText.Operation()))
                  .arg(FProgressText.Done())
                  .arg(FProgressText.Total()));
}

void TMainForm::ReadDevKeysClick() {
    if (FGroup.Selected() == NoDevice) return;
    FProgressCancelled = false;
    FProgressText.Start({});
    FEngine->ReadCards(FGroup.Selected(), [this](const TCommandResult&) {
        TransferStatus();
        RememberRead(false);
    });
}

// The names of the opened controllers, which the group commands go through.
std::vector<std::string> TMainForm::OpenedNames() const {
    std::vector<std::string> names;
    for (DevIndex i = 0; i < FGroup.Count(); ++i)
        if (FGroup.GetState(i, dfOpened)) names.push_back(FGroup.GetDevice(i, nullptr)->Name);
    return names;
}

void TMainForm::sbReadKeyDevClick() {
    FProgressCancelled = false;
    FProgressDevices = OpenedNames();
    FProgressText.Start({});
    FEngine->ReadCardsOfAll([this](const TCommandResult&) {
        FProgressDevices.clear();
        TransferStatus();
        RememberRead(true);
    });
}

void TMainForm::SpButFindClick() { SearchClick(false); }

void TMainForm::SpButExFindClick() { SearchClick(true); }

void TMainForm::SearchClick(bool allSpeeds) {
    FProgressCancelled = false;
    const auto searched = [this](const TCommandResult&) { Searched(); };
    if (allSpeeds) FEngine->SearchAllSpeeds(FSettings.AutoReadKey, searched);
    else FEngine->Search(FSettings.AutoReadKey, searched);
}

void TMainForm::Searched() {
    if (FPortClosed && FSession->Active()) SetPortClosed(false);
    int found = 0;
    for (DevIndex i = 0; i < FGroup.Count(); ++i) found += FGroup.GetState(i, dfConnected) ? 1 : 0;
    SayDone((FProgressCancelled ? QStringLiteral("Поиск прерван") : QStringLiteral("Поиск закончен")) +
            QStringLiteral(", найдено приборов: %1").arg(found));
    if (FSettings.AutoReadKey) RememberRead(true);
    TellSharedAddresses();
}

// Two controllers that seem to share an address, as the search's exchanges
// showed them: said once for each address.
void TMainForm::TellSharedAddresses() {
    FExchangePanel->Drain();
    for (std::uint8_t adr : FSharedAddresses.TakeNew()) {
        QString text = QString::fromStdString(FSharedAddresses.Text(adr));
        text[0] = text[0].toUpper();
        ShowMessage(kCaptionAttention, text.toStdString() + ".", TMsgIcon::Warning);
    }
}

void TMainForm::ResetDevClick() {
    const TConfPelko* dev = FGroup.GetDevice(FGroup.Selected(), nullptr);
    if (dev == nullptr || !AskNoByDefault(kCaptionWarning, ResetPreflight(*dev).Question())) return;
    const DevIndex sel = FGroup.Selected();
    // Parameters never read: the controller gets back the dialog's, or the defaults.
    std::optional<TDevConfig> params;
    if (!FGroup.GetState(sel, dfParamsRead) && !FSettings.AutoSetDefaultSettings) {
        TDevConfig block = DefaultConfig(dev->Config[kAdrByte]);
        TDeviceParams p = ParamsToDialog(block);
        if (EditDeviceParams(p, kParamsDialogCaptionPrefix + dev->Name, false)) DialogToParams(p, block);
        params = block;
    }
    RunErasing([this, sel, params](bool withoutBackup, TEngine::TDone done) {
        FEngine->Reset(sel, params, withoutBackup, std::move(done));
    }, [](const TCommandResult&) {});
}

// A command that erases cards backs them up first; where it cannot, the
// user is asked whether to go on without, and the command runs again so.
void TMainForm::RunErasing(const std::function<void(bool, TEngine::TDone)>& command, TEngine::TDone then) {
    command(false, [this, command, then](const TCommandResult& r) {
        if (r.backupRefused.empty()) return then(r);
        if (!AskYesNo(kCaptionWarning, r.backupRefused + ".\r\nПродолжить без неё?", TMsgIcon::Warning))
            return then(r);
        command(true, then);
    });
}

void TMainForm::ChDevStandPasClick() {
    if (FGroup.Selected() != NoDevice) FEngine->GiveCommonPassword(FGroup.Selected());
}

void TMainForm::WriteDevKeysClick() {
    const TConfPelko* dev = FGroup.GetDevice(FGroup.Selected(), nullptr);
    if (dev == nullptr || !AskNoByDefault(kCaptionWarning, WritePreflight({dev}, FCardsRead).Question())) return;
    FProgressText.Start({});
    const DevIndex sel = FGroup.Selected();
    RunErasing([this, sel](bool withoutBackup, TEngine::TDone done) {
        FEngine->WriteCards(sel, {.withoutBackup = withoutBackup, .allCells = WriteAllCells()}, std::move(done));
    }, [this](const TCommandResult& r) {
        TransferStatus();
        WriteCheckStatus(r.checks);
    });
}

// Every opened controller is written, in the group or not.
void TMainForm::sbWriteKeyDevClick() {
    std::vector<const TConfPelko*> devs;
    for (DevIndex i = 0; i < FGroup.Count(); ++i)
        if (FGroup.GetState(i, dfOpened)) devs.push_back(FGroup.GetDevice(i, nullptr));
    if (devs.empty() || !AskNoByDefault(kCaptionWarning, WritePreflight(devs, FCardsRead).Question())) return;
    FProgressDevices = OpenedNames();
    FProgressText.Start({});
    RunErasing([this](bool withoutBackup, TEngine::TDone done) {
        FEngine->WriteCardsOfAll({.withoutBackup = withoutBackup, .allCells = WriteAllCells()}, std::move(done));
    }, [this](const TCommandResult& r) {
        FProgressDevices.clear();
        TransferStatus();
        WriteCheckStatus(r.checks);
    });
}

// A password the controller refused is said so.
void TMainForm::OpenWithPasClick() {
    const DevIndex sel = FGroup.Selected();
    const TConfPelko* dev = FGroup.GetDevice(sel, nullptr);
    if (dev == nullptr) return;
    const std::string name = dev->Name;
    const std::optional<std::string> typed = AskPassword(DeviceTitle(*dev));
    if (!typed) return;
    RepaintMain();
    FEngine->OpenWithPassword(sel, TextToCode(*typed), [this, name](const TCommandResult& r) {
        if (r.ok) return;
        ShowMessage(kCaptionMessage,
                    "Прибор «" + name + "» не принял пароль.\r\nПроверьте пароль и связь с прибором.",
                    TMsgIcon::Warning);
    });
}

// The dialog first; the line only with a change; the status bar says how it went.
void TMainForm::SetDevParamsClick() {
    const DevIndex sel = FGroup.Selected();
    const TConfPelko* dev = FGroup.GetDevice(sel, nullptr);
    if (dev == nullptr) return;
    const TDevConfig start = FEngine->ParametersOf(sel);
    TDeviceParams params = ParamsToDialog(start);
    if (!EditDeviceParams(params, std::string(kParamsDialogCaption) + " — " + DeviceTitle(*dev), true)) return;
    RepaintMain();
    TDevConfig block = start;
    DialogToParams(params, block);
    block[kAdrByte] = start[kAdrByte];
    if (block == start) return;
    const QString name = QString::fromStdString(dev->Name);
    FEngine->WriteParameters(sel, block, [this, name](const TCommandResult& r) {
        const bool written = !r.failed && !r.cancelled;
        FStatusInfo->setText(written
                                 ? QStringLiteral("Параметры прибора «%1» записаны").arg(name)
                                 : QStringLiteral("Параметры прибора «%1» не записаны: прибор их не принял").arg(name));
    });
}

// The cards read stay read under the new address.
void TMainForm::SetDevAddrClick() {
    const DevIndex sel = FGroup.Selected();
    const TConfPelko* dev = FGroup.GetDevice(sel, nullptr);
    if (dev == nullptr) return;
    const std::uint8_t adr = dev->Config[kAdrByte];
    const std::string name = dev->Name, title = DeviceTitle(*dev);
    const std::vector<std::uint8_t> choices = FEngine->FreeAddresses(sel);
    const std::optional<std::uint8_t> chosen = AskAddress(choices, title);
    if (!chosen) return;
    RepaintMain();
    const std::uint8_t d = *chosen;
    if (!FGroup.GetState(sel, dfOpened) || d == adr || std::find(choices.begin(), choices.end(), d) == choices.end())
        return;
    // Parameters never read: the controller gets the dialog's, or the defaults.
    std::optional<TDevConfig> params;
    if (!FGroup.GetState(sel, dfParamsRead) && !FSettings.AutoSetDefaultSettings) {
        TDevConfig block = DefaultConfig(adr);
        TDeviceParams p = ParamsToDialog(block);
        if (EditDeviceParams(p, std::string(kParamsDialogCaption) + " — " + title, false)) DialogToParams(p, block);
        RepaintMain();
        params = block;
    }
    FEngine->ChangeAddress(sel, d, params, [this, name, adr, d](const TCommandResult& r) {
        const bool moved = FGroup.IndexOfAdr(d) != NoDevice && !r.failed;
        SayDone(QString::fromStdString(AddressText(name, adr, d, moved)));
        if (!moved || FCardsRead.count(adr) == 0) return;
        FCardsRead.erase(adr);
        FCardsRead.insert(d);
    });
}

}  // namespace pelko
