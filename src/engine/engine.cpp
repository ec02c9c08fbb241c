#include "engine/engine.h"

#include "engine/backup_before_erase.h"
#include "engine/op_bulk_cards.h"
#include "engine/op_capture.h"
#include "engine/op_group_phases.h"
#include "engine/op_reset.h"
#include "engine/op_search.h"
#include "engine/op_write_cards.h"

namespace pelko {
namespace {

constexpr int kAllSpeedSteps = 14;  // seven speeds, two steps each
constexpr int kResetSteps = 17;

}  // namespace

TEngine::TEngine(TPelkoSession& session, TGroupDev& group, ProgramSettings& settings, EngineObserver& observer,
                 PortOpener portProbe)
    : C(session, group, settings, observer, std::move(portProbe)) {
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
    C.AfterCommand = [this] { CheckPassWhenFree(); };
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
}

// One command at a time: a command given while another runs is refused.
bool TEngine::Busy() const {
    const TOperState s = C.State();
    return C.CommandOpen() || (s != osNone && s != osIdle);
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
    auto op = std::make_unique<TSearchOp>(C, static_cast<TSearchOp::Mode>(mode), firstAdr, readCards);
    C.Run(std::move(op), [](TOperation& done, bool) { static_cast<TSearchOp&>(done).EndAutoRead(); });
}

void TEngine::Search(bool readCards, TDone done) {
    if (Busy()) return TEngineCore::Refuse(osSearch, done);
    C.Begin(osSearch, std::move(done));
    if (!StartSearchSession()) {
        C.Result().failed = true;
        return C.End();
    }
    C.SetProgBFrm(kLastAddress, SearchCaption(0), false);
    RunSearch(static_cast<int>(TSearchOp::Mode::Addresses), 1, readCards);
}

void TEngine::SearchGroup(bool readCards, TDone done) {
    if (Busy()) return TEngineCore::Refuse(osSearch, done);
    C.Begin(osSearch, std::move(done));
    if (!StartSearchSession()) {
        C.Result().failed = true;
        return C.End();
    }
    int inGroup = 0;
    DevIndex first = NoDevice;
    for (DevIndex i = 0; i < C.Group.Count(); ++i) {
        if (!C.Group.GetState(i, dfInGroup)) continue;
        if (inGroup++ == 0) first = i;
    }
    if (inGroup == 0) return C.End();
    C.SetProgBFrm(inGroup, SearchCaption(0), false);
    RunSearch(static_cast<int>(TSearchOp::Mode::Group), TEngineCore::AdrOf(*C.Device(first)), readCards);
}

void TEngine::SearchAllSpeeds(bool readCards, TDone done) {
    if (Busy()) return TEngineCore::Refuse(osSearchAllSpeeds, done);
    C.Begin(osSearchAllSpeeds, std::move(done));
    if (!C.EnPort(C.Settings.NComPort)) {
        C.Result().failed = true;
        C.PortMessage();
        return C.End();
    }
    if (C.Group.Count() != 0) return C.End();
    TPelkoSession& s = C.Session;
    C.CloseSession();
    s.SetFound(false);
    s.SetSearchAddr(false);
    s.SetPortBaudRate(2400);
    s.SetTimeOutConstant(100);
    s.SetMax_Attempt(1);
    const bool opened = C.ActivateSession();
    C.SetProgBFrm(kAllSpeedSteps, kSearchAllCaption, false);
    if (!opened) return AllSpeedsSearched(false);
    auto op = std::make_unique<TSearchOp>(C, TSearchOp::Mode::AllSpeeds, 1, readCards);
    C.Run(std::move(op), [this](TOperation& done, bool) {
        static_cast<TSearchOp&>(done).EndAutoRead();
        AllSpeedsSearched(true);
    });
}

// The port goes back to the program's own settings, at the speed found.
void TEngine::AllSpeedsSearched(bool opened) {
    TPelkoSession& s = C.Session;
    C.CloseSession();
    s.SetFound(false);
    s.SetSearchAddr(false);
    s.SetMax_Attempt(SessionMaxAttempt(C.Settings.MaxAttempt));
    s.SetTimeOutConstant(C.Settings.TOConstant);
    if (C.Group.Count() == 0) {
        s.SetPortBaudRate(C.Settings.PrevBaudRate);
        if (!opened) C.PortMessage();
        return C.End();
    }
    C.Settings.PortBaudRate = C.Settings.PrevBaudRate = s.PortBaudRate();
    if (C.ActivateSession()) C.PresentAll();
    else C.PortMessage();
    C.End();
}

// --- cards of whole devices ---

void TEngine::ReadCards(DevIndex device, TDone done) {
    if (Busy() || C.Device(device) == nullptr) return TEngineCore::Refuse(osReadSelected, done);
    C.Begin(osReadSelected, std::move(done));
    if (!C.EnsureActive()) return Failed();
    C.Run(std::make_unique<TReadCardsOp>(C, device, false), [this](TOperation&, bool) {
        C.SetPolling(true);
        C.RefreshCardList();
    });
}

void TEngine::ReadCardsOfAll(TDone done) {
    const DevIndex first = C.FirstOpened();
    if (Busy() || first == NoDevice) return TEngineCore::Refuse(osReadAll, done);
    C.Begin(osReadAll, std::move(done));
    if (!C.EnsureActive()) return Failed();
    for (std::uint16_t& n : C.CellsDone) n = 0;
    C.Run(std::make_unique<TReadCardsOp>(C, first, true), [this](TOperation&, bool) {
        C.SetPolling(true);
        if (C.Group.Selected() != NoDevice) C.RefreshCardList();
    });
}

void TEngine::Failed() {
    C.Result().failed = true;
    C.End();
}

void TEngine::WriteCards(DevIndex device, TWriteCardsHow how, TDone done) {
    FWriteChecks.clear();
    if (Busy() || C.Device(device) == nullptr) return TEngineCore::Refuse(osWriteSelected, done);
    C.Begin(osWriteSelected, std::move(done));
    if (!C.EnsureActive()) return Failed();
    BackupBeforeErase(C, {device}, how.withoutBackup, [this, device, how] { WriteAfterBackup(device, false, how); });
}

void TEngine::WriteCardsOfAll(TWriteCardsHow how, TDone done) {
    FWriteChecks.clear();
    const DevIndex first = C.FirstOpened();
    if (Busy() || first == NoDevice) return TEngineCore::Refuse(osWriteAll, done);
    C.Begin(osWriteAll, std::move(done));
    if (!C.EnsureActive()) return Failed();
    std::vector<DevIndex> opened;
    for (DevIndex i = 0; i < C.Group.Count(); ++i)
        if (C.IsOpened(i)) opened.push_back(i);
    BackupBeforeErase(C, opened, how.withoutBackup, [this, first, how] { WriteAfterBackup(first, true, how); });
}

void TEngine::WriteAfterBackup(DevIndex first, bool all, TWriteCardsHow how) {
    if (all) {
        for (std::uint16_t& n : C.CellsDone) n = 0;
    } else {
        C.CellsDone[TEngineCore::AdrOf(*C.Device(first))] = 0;
    }
    C.SetPolling(false);
    C.Run(std::make_unique<TWriteCardsOp>(C, first, all, how.allCells), [this](TOperation& done, bool cancelled) {
        auto& op = static_cast<TWriteCardsOp&>(done);
        C.SetPolling(true);
        op.Settle();
        FWriteChecks = op.Checks();
        C.Result().checks = FWriteChecks;
        if (!cancelled) ReportWriteChecks(FWriteChecks);
    });
}

// --- reset ---

void TEngine::Reset(DevIndex device, const std::optional<TDevConfig>& restoreParams, bool withoutBackup,
                    TDone done) {
    if (Busy() || C.Device(device) == nullptr) return TEngineCore::Refuse(osReset, done);
    C.Begin(osReset, std::move(done));
    BackupBeforeErase(C, {device}, withoutBackup,
                      [this, device, restoreParams] { ResetAfterBackup(device, restoreParams); });
}

void TEngine::ResetAfterBackup(DevIndex device, const std::optional<TDevConfig>& restoreParams) {
    C.SetProgBFrm(kResetSteps, kResetCaptionPrefix + C.Device(device)->Name, false);
    C.SetCancellable(false);
    if (!C.RestartSession()) {
        C.PortMessage();
        return Failed();
    }
    C.Run(std::make_unique<TResetOp>(C, device, restoreParams), [this](TOperation&, bool) {
        const bool moved =
            C.Settings.PortBaudRate != kFactoryBaud || C.Session.PortBaudRate() != C.Settings.PortBaudRate;
        if (moved ? C.ReopenAt(C.Settings.PortBaudRate) : C.ActivateSession()) C.PresentAll();
    });
}

// --- the whole group ---

void TEngine::CarryIntoGroup(bool passwordChanged, bool speedChanged, const TGroupAnswers& answers, TDone done) {
    if (!passwordChanged && !speedChanged) {
        C.Settings.ChangeSpeedToo = false;
        if (!C.CommandOpen()) C.Begin(osSetStandPass, std::move(done));
        return C.End();
    }
    if (!C.CommandOpen()) C.Begin(speedChanged && !passwordChanged ? osSetSpeed : osSetStandPass, std::move(done));
    auto op = std::make_unique<TGroupPhasesOp>(C, passwordChanged, speedChanged, answers.dropClosed, answers.params);
    C.Run(std::move(op), [this](TOperation& ended, bool cancelled) {
        auto& op = static_cast<TGroupPhasesOp&>(ended);
        if (cancelled) op.Cancelled();
        if (std::unique_ptr<TOperation> finish = op.TakeFinish()) C.Run(std::move(finish));
    });
}

void TEngine::CarryCommonPassword(const TCode& password, TDone done) {
    if (Busy()) return TEngineCore::Refuse(osSetStandPass, done);
    ProgramSettings& s = C.Settings;
    s.OldStandPass = s.StandPass;
    s.StandPass = password;
    CarryIntoGroup(!SameCode(s.StandPass, s.OldStandPass), false, {}, std::move(done));
}

void TEngine::ChangeLineSpeed(std::int32_t baud, const TGroupAnswers& answers, TDone done) {
    if (Busy() || SpeedCode(baud) == 0) return TEngineCore::Refuse(osSetSpeed, done);
    ProgramSettings& s = C.Settings;
    s.PrevBaudRate = s.PortBaudRate;
    s.PortBaudRate = baud;
    const bool changed = baud != s.PrevBaudRate;
    CarryIntoGroup(false, changed, answers, std::move(done));
    if (!changed) s.PrevBaudRate = s.PortBaudRate;
}

std::vector<DevIndex> TEngine::DevicesAtRisk() const {
    std::vector<DevIndex> out;
    for (DevIndex i = 0; i < C.Group.Count(); ++i)
        if (!C.IsOpened(i)) out.push_back(i);
    return out;
}

// --- capture ---

void TEngine::CaptureCode(int row, TDone done) {
    if (C.CurConf().CardCount(C.MasterView) == 0 || C.Group.Count() == 0 || Busy() || C.State() != osIdle ||
        !C.CardFocus)
        return TEngineCore::Refuse(osCaptureCode, done);
    C.Begin(osCaptureCode, std::move(done));
    if (!C.EnsureActive()) return Failed();
    C.SetProgBFrm(100, kCaptureCaption, true);
    C.Run(std::make_unique<TCaptureOp>(C, row));
}

}  // namespace pelko
