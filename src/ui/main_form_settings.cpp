// "Настройки программы": the dialog on the current settings; accepting it
// hands the values to the engine, which carries changes into the devices.
#include <algorithm>

#include "engine/settings_dialog_values.h"
#include "ui/dialogs/serial_devices.h"
#include "ui/dialogs/set_program_form.h"
#include "ui/change_journal.h"
#include "ui/main_form.h"

namespace pelko {

void TMainForm::SetProgrWinClick() {
    FSetProgram->Fill(SettingsToDialog(FSettings));
    FSetProgram->SetPortDevices([this](int port) { return FPorts.PathFor(port); }, ListSerialDevices());
    FSetProgram->SetBackupReadFirst(FChangeJournal->ReadFirst());
    FSetProgram->PlaceAtBottomRight(frameGeometry());
    if (FSetProgram->exec() != QDialog::Accepted) return;
    FChangeJournal->SetReadFirst(FSetProgram->BackupReadFirst());
    const TSettingsDialogValues values = FSetProgram->Values();
    FPorts.Choose(std::clamp(values.SpinNComPort, 1, kMaxComPort), FSetProgram->PortPath());
    FEngine->AcceptProgramSettings(values);
    if (FPortClosed && FEngine->EnPort(FSettings.NComPort)) SetPortClosed(false);
    DevicesRemoved();
    UpdateGridDev();
    UpdateControls();
}

}  // namespace pelko
