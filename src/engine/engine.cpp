#include "engine/engine.h"

#include "engine/backup_before_erase.h"
#include "engine/op_bulk_cards.h"
#include "engine/op_capture.h"
#include "engine/op_group_phases.h"
#include "engine/op_reset.h"
#include "engine/op_search.h"

namespace pelko {
namespace {

constexpr int kAllSpeedSteps = 14;  // seven speeds, two steps each
constexpr int kResetSteps = 17;

}  // namespace

TEngine::TEngine(TPelkoSession& session, TGroupDev& group, ProgramSettings& settings, EngineHost& host,
                 PortOpener portProbe)
    : C(session, group, settings, host, std::move(portProbe)) {
    session.OnAsyncAnswer = [this](const Bytes& a, std::uint32_t c) { C.OnAsyncAnswer(a, c); };
    session.OnReadCard = [this](const Bytes& a) { C.OnReadCard(a); };
    session.OnDevOn = [this](std::uint32_t adr) { C.OnDevOn(adr); };
    session.OnDevOff = [this](std::uint32_t adr) { C.OnDevOff(adr); };
    session.OnPortLost = [this](const std::string& message) { C.OnPortLost(message); };
    session.OnScanDone = [this](const Bytes& found, std::uint32_t c) { C.OnScanDone(found, c); };
    session.OnDoubt = [this](std::uint32_t c) { C.OnDoubt(c); };
    session.OnQuiet = [this](std::uint32_t c) { C.OnQuiet(c); };
    session.OnScanProgress = [this](std::uint32_t d, std::uint32_t t, std::uint32_t f) {
        C.OnScanProgress(d, t, f);
    };
    host.Timer1Tick = [this] { C.OnTimer(); };
}

TEngine::~TEngine() {
    C.Session.OnAsyncAnswer = nullptr;
    C.Session.OnReadCard = nullptr;
    C.Session.OnDevOn = nullptr;
    C.Session.OnDevOff = nullptr;
    C.Session.OnPortLost = nullptr;
    C.Session.OnScanDone = nullptr;
    C.Session.OnDoubt = nullptr;
    C.Session.OnQuiet = nullptr;
    C.Session.OnScanProgress = nullptr;
    C.Host.Timer1Tick = nullptr;
}

// One operation at a time: a command given while another runs (from the
// progress window's own loop) is ignored.
bool TEngine::Busy() const {
    const TOperState s = C.State();
    return s != osNone && s != osIdle;
}

// --- search ---

bool TEngine::StartSearchSession() {
    if (!C.EnPort(C.Settings.NComPort)) {
        C.PortMessage();
        return false;
    }
    C.CloseSession();
    C.Session.SetFound(false);
    C.Session.SetSearchAddr(false);
    if (!C.ActivateSession()) {
        C.PortMessage();
        return false;
    }
    C.PresentAll();
    return true;
}

void TEngine::RunSearch(int mode, std::uint8_t firstAdr, bool readCards) {
    TSearchOp op(C, static_cast<TSearchOp::Mode>(mode), firstAdr, readCards);
    C.Run(op);
    op.EndAutoRead();
}

void TEngine::Search(bool readCards) {
    if (Busy() || !StartSearchSession()) return;
    C.SetProgBFrm(kLastAddress, SearchCaption(0), false);
    RunSearch(static_cast<int>(TSearchOp::Mode::Addresses), 1, readCards);
    C.Host.UpdateControls();
}

void TEngine::SearchGroup(bool readCards) {
    if (Busy() || !StartSearchSession()) return;
    int inGroup = 0;
    DevIndex first = NoDevice;
    for (DevIndex i = 0; i < C.Group.Count(); ++i) {
        if (!C.Group.GetState(i, dfInGroup)) continue;
        if (inGroup++ == 0) first = i;
    }
    if (inGroup == 0) return;
    C.SetProgBFrm(inGroup, SearchCaption(0), false);
    RunSearch(static_cast<int>(TSearchOp::Mode::Group), TEngineCore::AdrOf(*C.Device(first)), readCards);
    C.Host.UpdateControls();
    C.Host.UpdateGridDev();
}

void TEngine::SearchAllSpeeds(bool readCards) {
    if (Busy()) return;
    if (!C.EnPort(C.Settings.NComPort)) return C.PortMessage();
    if (C.Group.Count() != 0) return;
    TPelkoSession& s = C.Session;
    C.CloseSession();
    s.SetFound(false);
    s.SetSearchAddr(false);
    s.SetPortBaudRate(2400);
    s.SetTimeOutConstant(100);
    s.SetMax_Attempt(1);
    const bool opened = C.ActivateSession();
    C.SetProgBFrm(kAllSpeedSteps, kSearchAllCaption, false);
    if (opened) {
        RunSearch(static_cast<int>(TSearchOp::Mode::AllSpeeds), 1, readCards);
        C.Host.RepaintMain();
    }
    C.CloseSession();
    s.SetFound(false);
    s.SetSearchAddr(false);
    s.SetMax_Attempt(SessionMaxAttempt(C.Settings.MaxAttempt));
    s.SetTimeOutConstant(C.Settings.TOConstant);
    if (C.Group.Count() == 0) {
        s.SetPortBaudRate(C.Settings.PrevBaudRate);
        if (!opened) C.PortMessage();
        return C.Host.UpdateControls();
    }
    C.Settings.PortBaudRate = C.Settings.PrevBaudRate = s.PortBaudRate();
    if (C.ActivateSession()) C.PresentAll();
    else C.PortMessage();
    C.Host.UpdateControls();
}

// --- cards of whole devices ---

void TEngine::ReadCards(DevIndex device) {
    if (Busy() || C.Device(device) == nullptr || !C.EnsureActive()) return;
    TReadCardsOp op(C, device, false);
    C.Run(op);
    C.SetPolling(true);
    C.RefreshCardList();
    C.Host.UpdateControls();
}

void TEngine::ReadCardsOfAll() {
    const DevIndex first = C.FirstOpened();
    if (Busy() || first == NoDevice || !C.EnsureActive()) return;
    for (std::uint16_t& n : C.CellsDone) n = 0;
    TReadCardsOp op(C, first, true);
    C.Run(op);
    C.SetPolling(true);
    if (C.Group.Selected() != NoDevice) C.RefreshCardList();
    C.Host.UpdateControls();
}

void TEngine::WriteCards(DevIndex device) {
    FWriteChecks.clear();
    const TConfPelko* dev = C.Device(device);
    if (Busy() || dev == nullptr || !C.EnsureActive()) return;
    if (!BackupBeforeErase(C, device)) return;
    C.CellsDone[TEngineCore::AdrOf(*C.Device(device))] = 0;
    C.SetPolling(false);
    TWriteCardsOp op(C, device, false);
    const bool cancelled = C.Run(op) == TModalResult::Cancel;
    C.SetPolling(true);
    op.Settle();
    FWriteChecks = op.Checks();
    if (!cancelled) ReportWriteChecks(FWriteChecks);
}

void TEngine::WriteCardsOfAll() {
    FWriteChecks.clear();
    const DevIndex first = C.FirstOpened();
    if (Busy() || first == NoDevice || !C.EnsureActive()) return;
    if (!BackupOpenedBeforeErase(C)) return;
    for (std::uint16_t& n : C.CellsDone) n = 0;
    C.SetPolling(false);
    TWriteCardsOp op(C, first, true);
    const bool cancelled = C.Run(op) == TModalResult::Cancel;
    C.SetPolling(true);
    op.Settle();
    FWriteChecks = op.Checks();
    if (!cancelled) ReportWriteChecks(FWriteChecks);
}

// --- reset ---

void TEngine::Reset(DevIndex device) {
    TConfPelko* dev = C.Device(device);
    if (Busy() || dev == nullptr || !BackupBeforeErase(C, device)) return;
    C.Host.ProgressCancelEnabled(false);
    C.Host.SetTimer1(false, kTimerMs);
    C.SetProgBFrm(kResetSteps, kResetCaptionPrefix + dev->Name, false);
    if (!C.RestartSession()) {
        C.PortMessage();
    } else if (AddressOneTaken(device)) {
        C.Host.ShowMessage(kCaptionAttention,
                           C.DeviceLabel(TEngineCore::AdrOf(*dev)) +
                               " — не сброшен: по адресу 1 отвечает другой прибор, а после сброса прибор займёт "
                               "адрес 1. Сначала дайте тому прибору другой адрес.",
                           TMsgIcon::Warning);
    } else {
        TResetOp op(C, device);
        C.Run(op);
    }
    C.Host.SetTimer1(false, kTimerMs);
    const bool moved = C.Settings.PortBaudRate != kFactoryBaud || C.Session.PortBaudRate() != C.Settings.PortBaudRate;
    if (moved ? C.ReopenAt(C.Settings.PortBaudRate) : C.ActivateSession()) C.PresentAll();
    C.Host.ProgressCancelEnabled(true);
}

// A reset sends the controller to address 1 at 9600: safe only where nothing
// else answers there, at that speed or at the program's.
bool TEngine::AddressOneTaken(DevIndex device) {
    const std::uint8_t own = TEngineCore::AdrOf(*C.Device(device));
    const std::int32_t speed = C.Session.PortBaudRate();
    if (own != 1 && C.SyncProbe(1)) return true;
    if (own == kFactoryAdr && speed == kFactoryBaud) return false;  // it is the one answering there
    return C.SyncProbeAt(kFactoryAdr, kFactoryBaud);
}

// --- the whole group ---

void TEngine::CarryIntoGroup(bool passwordChanged, bool speedChanged) {
    if (!passwordChanged && !speedChanged) {
        C.Settings.ChangeSpeedToo = false;
        return;
    }
    TGroupPhasesOp op(C, passwordChanged, speedChanged);
    if (C.Run(op) == TModalResult::Cancel) op.Cancelled();
    C.Host.UpdateControls();
}

void TEngine::CarryCommonPassword(const TCode& password) {
    if (Busy()) return;
    ProgramSettings& s = C.Settings;
    s.OldStandPass = s.StandPass;
    s.StandPass = password;
    CarryIntoGroup(!SameCode(s.StandPass, s.OldStandPass), false);
}

void TEngine::ChangeLineSpeed(std::int32_t baud) {
    if (Busy() || SpeedCode(baud) == 0) return;
    ProgramSettings& s = C.Settings;
    s.PrevBaudRate = s.PortBaudRate;
    s.PortBaudRate = baud;
    CarryIntoGroup(false, baud != s.PrevBaudRate);
    if (baud == s.PrevBaudRate) s.PrevBaudRate = s.PortBaudRate;
}

std::vector<DevIndex> TEngine::DevicesAtRisk() const {
    std::vector<DevIndex> out;
    for (DevIndex i = 0; i < C.Group.Count(); ++i)
        if (!C.IsOpened(i)) out.push_back(i);
    return out;
}

// --- capture ---

void TEngine::CaptureCode() {
    if (C.CurConf().CardCount(C.MasterView) == 0 || C.Group.Count() == 0 || C.State() != osIdle ||
        !C.CardFocus)
        return;
    if (!C.EnsureActive()) return;
    C.SetProgBFrm(100, kCaptureCaption, true);
    TCaptureOp op(C);
    C.Run(op);
    C.Host.SetTimer1(false, kTimerMs);
    C.Bar().Marquee = false;
    C.ShowBar();
}

}  // namespace pelko
