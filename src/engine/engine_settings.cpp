// Accepting the program settings dialog: the settings and the session take
// the new values at once; a changed common password or speed is then carried
// into the devices of the group.
#include "engine/engine.h"
#include "engine/port_settings.h"
#include "engine/settings_dialog_values.h"

namespace pelko {

TSettingsDialogValues SettingsToDialog(const ProgramSettings& s) {
    TSettingsDialogValues v;
    v.EdPass = CodeToText(s.StandPass);
    v.SpinNComPort = s.NComPort;
    v.SpinTOConstant = s.TOConstant;
    v.SpinTOMultipl = s.TOMultiplier;
    v.SpinIntervalTO = s.IntervalTO;
    v.CBoxSmartPi = s.SmartPI ? 0 : 1;
    v.SpinTailinUS = s.TailinUS;
    v.SpinMaxAttempt = s.MaxAttempt;
    v.CircleSpin = s.CircleFind;
    v.AutoWrPar = s.AutoSetDefaultSettings;
    v.AutoWrKey = s.AutoWriteKey;
    v.AutoReadKey = s.AutoReadKey;
    v.CBSavePass = s.SavePass;
    v.ChSpeed = v.ShownSpeed = SpeedIndex(s.PortBaudRate);
    return v;
}

void TEngine::AcceptProgramSettings(const TSettingsDialogValues& v, const TGroupAnswers& answers, TDone done) {
    if (Busy()) return TEngineCore::Refuse(osSetStandPass, done);
    C.Begin(osSetStandPass, std::move(done));
    // The port may now lead to another line: earlier reads back up nothing.
    C.Changes.ForgetReads();
    ProgramSettings& s = C.Settings;
    s.AutoSetDefaultSettings = v.AutoWrPar;
    s.AutoReadKey = v.AutoReadKey;
    s.AutoWriteKey = v.AutoWrKey;
    const bool oldSavePass = s.SavePass;
    const ProgramSettings before = s;
    s.SavePass = v.CBSavePass;
    s.OldStandPass = s.StandPass;
    // The dialog accepts only ten digits; anything shorter keeps the password.
    if (v.EdPass.size() >= 10) s.StandPass = TextToCode(v.EdPass);
    s.PrevBaudRate = s.PortBaudRate;
    const bool speedChosen = v.ChSpeed >= 0 && v.ChSpeed < static_cast<int>(kStandardBauds.size());
    if (speedChosen) s.PortBaudRate = static_cast<std::int32_t>(kStandardBauds[static_cast<std::size_t>(v.ChSpeed)]);
    s.IntervalTO = v.SpinIntervalTO;
    s.TailinUS = v.SpinTailinUS;
    s.TOConstant = v.SpinTOConstant;
    s.TOMultiplier = v.SpinTOMultipl;
    s.MaxAttempt = v.SpinMaxAttempt;
    s.NComPort = v.SpinNComPort;
    s.CircleFind = v.CircleSpin;
    s.SmartPI = v.CBoxSmartPi == 0;
    BringIntoRange(s);

    TPelkoSession& session = C.Session;
    C.CloseSession();
    ApplyPortSettings(session, s);
    if (C.Group.Count() == 0) session.SetPortBaudRate(s.PortBaudRate);
    // Without the port nothing can be carried into the devices.
    if (!C.ActivateSession()) {
        // No controller got anything: the fields that describe them stay.
        s.StandPass = before.StandPass;
        s.OldStandPass = before.OldStandPass;
        s.SavePass = before.SavePass;
        s.PortBaudRate = before.PortBaudRate;
        s.PrevBaudRate = before.PrevBaudRate;
        session.SetPortBaudRate(s.PortBaudRate);
        C.PortMessage();
        return Failed();
    }
    C.PresentAll();
    if (C.Group.Count() == 0) {
        s.PrevBaudRate = s.PortBaudRate;
        return C.End();
    }
    const bool passwordChanged =
        !SameCode(s.StandPass, s.OldStandPass) || (oldSavePass && !s.SavePass);
    const bool speedChanged = speedChosen && v.ChSpeed != v.ShownSpeed;
    CarryIntoGroup(passwordChanged, speedChanged, answers);
}

}  // namespace pelko
