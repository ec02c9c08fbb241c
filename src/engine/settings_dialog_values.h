#pragma once
// What the program settings dialog holds when the user accepts it: one value
// per control, already converted from its text.
#include <string>

#include "config/program_settings.h"

namespace pelko {

struct TSettingsDialogValues {
    int ChSpeed = 2;          // index of the chosen speed, -1 when none is chosen
    int ShownSpeed = 2;       // the index shown when the dialog opened
    std::string EdPass;       // ten hexadecimal digits
    bool AutoReadKey = false;
    bool AutoWrKey = false;
    bool AutoWrPar = true;
    bool CBSavePass = true;
    int CircleSpin = 30;
    int SpinNComPort = 1;
    int SpinTOConstant = 120;
    int SpinTOMultipl = 1;
    int SpinIntervalTO = 0;
    int SpinTailinUS = 400;
    int SpinMaxAttempt = 3;
    int CBoxSmartPi = 1;      // 0 "автоматич.", 1 "программа"
};

// The dialog as it opens on the current settings.
TSettingsDialogValues SettingsToDialog(const ProgramSettings& s);

}  // namespace pelko
