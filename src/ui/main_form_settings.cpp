// "Настройки программы": the dialog on the current settings; accepting it
// hands the values to the engine, which carries changes into the devices.
#include <QSettings>

#include <algorithm>

#include "engine/device_params.h"
#include "engine/settings_dialog_values.h"
#include "ui/dialogs/serial_devices.h"
#include "ui/dialogs/set_program_form.h"
#include "ui/change_journal.h"
#include "ui/main_form.h"

namespace pelko {
namespace {

const QString kWriteAllCellsKey = QStringLiteral("cards/writeAllCells");

}  // namespace

// The user's own choice, kept apart from the configuration file: it is
// about how this program talks to the controllers, not about them.
bool TMainForm::WriteAllCells() const { return QSettings().value(kWriteAllCellsKey, false).toBool(); }

void TMainForm::SetProgrWinClick() {
    FSetProgram->Fill(SettingsToDialog(FSettings));
    FSetProgram->SetPortDevices([this](int port) { return FPorts.PathFor(port); }, ListSerialDevices());
    FSetProgram->SetBackupReadFirst(FChangeJournal->ReadFirst());
    FSetProgram->SetWriteAllCells(WriteAllCells());
    FSetProgram->PlaceAtBottomRight(frameGeometry());
    if (FSetProgram->exec() != QDialog::Accepted) return;
    FChangeJournal->SetReadFirst(FSetProgram->BackupReadFirst());
    QSettings().setValue(kWriteAllCellsKey, FSetProgram->WriteAllCells());
    const TSettingsDialogValues values = FSetProgram->Values();
    FPorts.Choose(std::clamp(values.SpinNComPort, 1, kMaxComPort), FSetProgram->PortPath());
    FEngine->AcceptProgramSettings(values, GroupAnswers(values), [this](const TCommandResult&) {
        if (FPortClosed && FEngine->EnPort(FSettings.NComPort)) SetPortClosed(false);
        DevicesRemoved();
        UpdateGridDev();
        UpdateControls();
    });
}

// Asked before the settings go into the group: whether devices a new speed
// would leave behind may be dropped, and the parameters of devices whose
// parameters were never read.
TGroupAnswers TMainForm::GroupAnswers(const TSettingsDialogValues& values) {
    TGroupAnswers answers;
    const bool speedChanges = values.ChSpeed >= 0 && values.ChSpeed != values.ShownSpeed && FGroup.Count() != 0;
    if (!speedChanges) return answers;
    if (!FEngine->DevicesAtRisk().empty())
        answers.dropClosed = AskYesNo(kCaptionMessage, "Некоторые приборы могут быть потеряны. Продолжить?",
                                      TMsgIcon::Warning);
    if (values.AutoWrPar || !answers.dropClosed) return answers;
    for (DevIndex i = 0; i < FGroup.Count(); ++i) {
        // Only a device the speed phase writes to: open, its parameters never read.
        if (!FGroup.GetState(i, dfOpened) || FGroup.GetState(i, dfParamsRead)) continue;
        const TConfPelko& dev = *FGroup.GetDevice(i, nullptr);
        TDevConfig block = DefaultConfig(dev.Config[kAdrByte]);
        TDeviceParams p = ParamsToDialog(block);
        if (EditDeviceParams(p, kParamsDialogCaptionPrefix + dev.Name, false)) DialogToParams(p, block);
        answers.params[dev.Config[kAdrByte]] = block;
    }
    return answers;
}

}  // namespace pelko
