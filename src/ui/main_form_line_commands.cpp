// The toolbar's line commands and the device menu: each asks its dialog
// first, then gives the engine the command with what the user chose.
#include <algorithm>

#include "engine/device_params.h"
#include "ui/main_form.h"

namespace pelko {

void TMainForm::SpButFindClick() { FEngine->Search(FSettings.AutoReadKey); }

void TMainForm::SpButExFindClick() { FEngine->SearchAllSpeeds(FSettings.AutoReadKey); }

void TMainForm::sbReadKeyDevClick() { FEngine->ReadCardsOfAll(); }

void TMainForm::sbWriteKeyDevClick() { FEngine->WriteCardsOfAll(); }

void TMainForm::ResetDevClick() {
    if (FGroup.Selected() != NoDevice) FEngine->Reset(FGroup.Selected());
}

void TMainForm::ChDevStandPasClick() {
    if (FGroup.Selected() != NoDevice) FEngine->GiveCommonPassword(FGroup.Selected());
}

void TMainForm::ReadDevKeysClick() {
    if (FGroup.Selected() != NoDevice) FEngine->ReadCards(FGroup.Selected());
}

void TMainForm::WriteDevKeysClick() {
    if (FGroup.Selected() != NoDevice) FEngine->WriteCards(FGroup.Selected());
}

void TMainForm::OpenWithPasClick() {
    const DevIndex sel = FGroup.Selected();
    if (sel == NoDevice) return;
    const std::optional<std::string> typed = AskPassword();
    if (!typed) return;
    RepaintMain();
    FEngine->OpenWithPassword(sel, TextToCode(*typed));
}

void TMainForm::SetDevParamsClick() {
    const DevIndex sel = FGroup.Selected();
    if (sel == NoDevice) return;
    const TDevConfig start = FEngine->ParametersOf(sel);
    TDeviceParams params = ParamsToDialog(start);
    if (!EditDeviceParams(params, kParamsDialogCaption, true)) return;
    RepaintMain();
    TDevConfig block = start;
    DialogToParams(params, block);
    block[kAdrByte] = start[kAdrByte];
    if (block != start) FEngine->WriteParameters(sel, block);
}

void TMainForm::SetDevAddrClick() {
    const DevIndex sel = FGroup.Selected();
    const TConfPelko* dev = FGroup.GetDevice(sel, nullptr);
    if (dev == nullptr) return;
    const std::uint8_t adr = dev->Config[kAdrByte];
    const std::vector<std::uint8_t> choices = FEngine->FreeAddresses(sel);
    const std::optional<std::uint8_t> chosen = AskAddress(choices);
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
        if (EditDeviceParams(p, kParamsDialogCaption, false)) DialogToParams(p, block);
        RepaintMain();
        params = block;
    }
    FEngine->ChangeAddress(sel, d, params);
}

}  // namespace pelko
