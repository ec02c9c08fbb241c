// Device commands of the window. Those that wipe or overwrite a controller's
// card cells ask first, naming what will be lost; reads are remembered so the
// question can say when the cards being overwritten were never seen.
#include <QLabel>
#include <utility>

#include "link/pelko_session.h"
#include "ui/erase_questions.h"
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
    FProgressCancelled = false;
    FProgressText.Start({});
    FEngine->ReadDevKeysClick();
    TransferStatus();
    RememberRead(false);
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
    FEngine->sbReadKeyDevClick();
    FProgressDevices.clear();
    TransferStatus();
    RememberRead(true);
}

void TMainForm::SearchClick(bool allSpeeds) {
    FProgressCancelled = false;
    if (allSpeeds) FEngine->SpButExFindClick();
    else FEngine->SpButFindClick();
    if (FPortClosed && FSession->Active()) SetPortClosed(false);
    if (FSettings.AutoReadKey) RememberRead(true);
}

void TMainForm::ResetDevClick() {
    const TConfPelko* dev = FGroup.GetDevice(FGroup.Selected(), nullptr);
    if (dev == nullptr || !AskNoByDefault(kCaptionWarning, ResetQuestion(*dev))) return;
    FEngine->ResetDevClick();
}

void TMainForm::WriteDevKeysClick() {
    const TConfPelko* dev = FGroup.GetDevice(FGroup.Selected(), nullptr);
    if (dev == nullptr || !AskNoByDefault(kCaptionWarning, WriteQuestion({dev}, FCardsRead))) return;
    FProgressText.Start({});
    FEngine->WriteDevKeysClick();
    TransferStatus();
}

// Every opened controller is written, in the group or not.
void TMainForm::sbWriteKeyDevClick() {
    std::vector<const TConfPelko*> devs;
    for (DevIndex i = 0; i < FGroup.Count(); ++i)
        if (FGroup.GetState(i, dfOpened)) devs.push_back(FGroup.GetDevice(i, nullptr));
    if (devs.empty() || !AskNoByDefault(kCaptionWarning, WriteQuestion(devs, FCardsRead))) return;
    FProgressDevices = OpenedNames();
    FProgressText.Start({});
    FEngine->sbWriteKeyDevClick();
    FProgressDevices.clear();
    TransferStatus();
}

// A password the controller refused used to leave no trace at all.
void TMainForm::OpenWithPasClick() {
    const TConfPelko* dev = FGroup.GetDevice(FGroup.Selected(), nullptr);
    if (dev == nullptr) return;
    const std::uint8_t adr = dev->Config[kAdrByte];
    const std::string name = dev->Name;
    FPasswordTyped = false;
    FEngine->OpenWithPasClick();
    if (FPasswordTyped && FGroup.IndexOfAdr(adr) != NoDevice && !FGroup.GetStateByAdr(adr, dfOpened))
        ShowMessage(kCaptionMessage, "Прибор «" + name + "» не принял пароль.\r\nПроверьте пароль и связь с прибором.",
                    TMsgIcon::Warning);
}

// Accepted parameters used to be written with no sign, or not written without one.
void TMainForm::SetDevParamsClick() {
    const TConfPelko* dev = FGroup.GetDevice(FGroup.Selected(), nullptr);
    if (dev == nullptr) return;
    const TDevConfig before = dev->Config;
    const bool read = FGroup.GetState(FGroup.Selected(), dfParamsRead);
    FParamsChanged = false;
    FEngine->SetDevParamsClick();
    if (!FParamsChanged) return;
    const QString name = QString::fromStdString(dev->Name);
    const bool written = dev->Config != before || (!read && FGroup.GetState(FGroup.Selected(), dfParamsRead));
    FStatusInfo->setText(written ? QStringLiteral("Параметры прибора «%1» записаны").arg(name)
                                 : QStringLiteral("Параметры прибора «%1» не записаны: прибор их не принял").arg(name));
}

// The cards read stay read under the new address.
void TMainForm::SetDevAddrClick() {
    const TConfPelko* dev = FGroup.GetDevice(FGroup.Selected(), nullptr);
    if (dev == nullptr) return;
    const int before = dev->Config[kAdrByte];
    FEngine->SetDevAddrClick();
    if (FCardsRead.count(before) == 0 || dev->Config[kAdrByte] == before) return;
    FCardsRead.erase(before);
    FCardsRead.insert(dev->Config[kAdrByte]);
}

}  // namespace pelko
