#include "engine/engine_core.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace pelko {
namespace {

const Bytes kFailureBytes(6, 0);
// The only request sent outside an operation gives a device a new password.
constexpr char kOutsideTitle[] = "Смена пароля";

}  // namespace

TEngineCore::TEngineCore(TPelkoSession& session, TGroupDev& group, ProgramSettings& settings,
                         EngineObserver& observer, PortOpener portProbe)
    : Session(session),
      Group(group),
      Settings(settings),
      Observer(observer),
      FPortProbe(std::move(portProbe)),
      FQueue(session) {}

void TEngineCore::Notice(const std::string& caption, const std::string& text, TMsgIcon icon) {
    TNotice notice{caption, text, icon};
    if (FCommand) FResult.notices.push_back(notice);
    Observer.OnNotice(notice);
}

// --- the model ---

TConfPelko* TEngineCore::SelectedDevice() {
    const DevIndex sel = Group.Selected();
    return sel == NoDevice ? nullptr : Device(sel);
}

TConfPelko& TEngineCore::CurConf() {
    TConfPelko* dev = SelectedDevice();
    return dev != nullptr ? *dev : FEmptyConf;
}

std::string TEngineCore::NameOf(std::uint8_t index) {
    std::string name;
    Group.GetName(index, name);
    return name;
}

DevIndex TEngineCore::FirstOpened() const {
    for (DevIndex i = 0; i < Group.Count(); ++i)
        if (IsOpened(i)) return i;
    return NoDevice;
}

DevIndex TEngineCore::FirstClosed() const {
    for (DevIndex i = 0; i < Group.Count(); ++i)
        if (!IsOpened(i)) return i;
    return NoDevice;
}

std::string TEngineCore::DeviceLabel(std::uint8_t adr) {
    const DevIndex i = Group.IndexOfAdr(adr);
    const std::string name = i == NoDevice ? std::string() : NameOf(i);
    return name + " (адрес " + std::to_string(adr) + ")";
}

void TEngineCore::ReportCells(std::uint8_t adr, const char* one, const char* many,
                              const std::vector<std::uint16_t>& cells) {
    if (cells.empty()) return;
    const std::string what = cells.size() == 1 ? std::string(one) + " ячейка " : std::string(many) + " ячейки ";
    Notice(kCaptionAttention, DeviceLabel(adr) + " — " + what + CellRanges(cells), TMsgIcon::Warning);
}

// --- the session ---

bool TEngineCore::EnPort(int port) {
    if (Session.Active()) return true;
    if (!FPortProbe || port < 1 || port > 255) return false;
    FPortError.clear();
    return FPortProbe(static_cast<std::uint8_t>(port), FPortError) != nullptr;
}

void TEngineCore::PortMessage() {
    std::string text = "COM порт " + std::to_string(Settings.NComPort) + " недоступен";
    if (!FPortError.empty()) text += "\r\n" + FPortError;
    Notice(kCaptionMessage, text, TMsgIcon::Error);
}

bool TEngineCore::ActivateSession() {
    Session.SetActive(true);
    if (!Session.Active()) {
        FPortError = Session.LastError();
        return false;
    }
    Session.SetERUniqueButton(FPolling);
    SettleDropped();
    return true;
}

void TEngineCore::CloseSession() {
    Session.SetActive(false);
    FQueue.DropAll();
}

void TEngineCore::SettleDropped() {
    if (!FQueue.HasDropped() || FCurrent != nullptr || !Session.Active()) return;
    auto handler = FQueue.TakeDroppedHandler();
    handler(TAnswer(kFailureBytes));
    JournalChanges(kOutsideTitle);
}

void TEngineCore::JournalChanges(const std::string& operation) {
    if (Changes.Empty()) return;
    const auto entries = Changes.Take(operation, [this](std::uint8_t adr) { return DeviceLabel(adr); });
    if (Recorder == nullptr) return;
    for (const TJournalEntry& e : entries) Recorder->Journal(e);
}

bool TEngineCore::RestartSession() {
    CloseSession();
    return ActivateSession();
}

bool TEngineCore::ReopenAt(std::int32_t baud) {
    CloseSession();
    Session.SetPortBaudRate(baud);
    return ActivateSession();
}

// A starter must not queue into a session without a worker: nothing would
// ever answer and the progress window would wait for good.
bool TEngineCore::EnsureActive() {
    if (Session.Active()) {
        Session.SetERUniqueButton(FPolling);  // the worker may have been started elsewhere
        return true;
    }
    if (ActivateSession()) return true;
    PortMessage();
    return false;
}

void TEngineCore::PresentAll() {
    for (std::uint8_t i = 0; i < Group.Count(); ++i) Session.SetDevPresent(AdrOf(*Device(i)));
}

void TEngineCore::SetPolling(bool on) {
    FPolling = on;
    Session.SetERUniqueButton(on);
}

// --- the running operation ---

TOperState TEngineCore::State() const {
    if (FCurrent != nullptr) return FCurrent->State();
    return FEverRan ? osIdle : osNone;
}

void TEngineCore::Begin(TOperState op, TDone done) {
    FCommand = true;
    FProgress.cancellable = true;
    FGreyedByCancel = false;
    FResult = TCommandResult{};
    FResult.op = op;
    FDone = std::move(done);
}

void TEngineCore::Refuse(TOperState op, const TDone& done) {
    TCommandResult r;
    r.op = op;
    r.failed = true;
    if (done) done(r);
}

// The command ends once no operation of it runs: its result goes out once.
void TEngineCore::End() {
    if (!FCommand || FOwned != nullptr) return;
    FCommand = false;
    if (FProgress.shown) {
        // Hidden with Cancel usable again, for the next command's window.
        FProgress.shown = false;
        FProgress.cancellable = true;
        Observer.OnProgress(FProgress);
    }
    FResult.ok = !FResult.cancelled && !FResult.failed && FResult.notices.empty() && FResult.backupRefused.empty();
    TCommandResult result = std::move(FResult);
    TDone done = std::move(FDone);
    FResult = TCommandResult{};
    FDone = nullptr;
    Changed(chState);
    Observer.OnDone(result);
    if (done) done(result);
    if (!FCommand && AfterCommand) AfterCommand();
}

void TEngineCore::Run(std::unique_ptr<TOperation> op, TThen then) {
    if (!FCommand) Begin(op->State(), nullptr);
    FOwned = std::move(op);
    FCurrent = FOwned.get();
    FThen = std::move(then);
    FTitle = OperationTitle(FCurrent->State());
    FEnded = false;
    FCancelled = false;
    ++FSerial;
    FEverRan = true;
    FCancelling = false;
    FResult.started = true;
    // A Cancel greyed the last operation's button while it finished; this
    // one can be cancelled again unless it says otherwise.
    if (std::exchange(FGreyedByCancel, false)) SetCancellable(true);
    Changed(chState);
    const TOperState state = FCurrent->State();
    FCurrent->Start();
    AfterOp();
    if (FCurrent != nullptr) Observer.OnStarted(state);
}

// On Cancel the request in flight still reaches the controller: its answer is
// waited for (Cancel greyed) and applied, and nothing further is sent.
void TEngineCore::Cancel() {
    if (FCurrent == nullptr || FCancelling || !FProgress.cancellable) return;
    FCancelled = true;
    FResult.cancelled = true;
    FQueue.ClearHeld();
    if (!Outstanding()) return EndOper(), AfterOp();
    Session.StopScan();
    FCancelling = true;
    FGreyedByCancel = true;
    SetCancellable(false);
}

void TEngineCore::Tick() {
    if (FCurrent != nullptr) FCurrent->OnTimer();
    AfterOp();
}

void TEngineCore::Finish() {
    FCurrent = nullptr;
    FQueue.ForgetOperations();
}

void TEngineCore::EndOper() {
    if (FCurrent == nullptr) return;
    Finish();
    FEnded = true;
}

void TEngineCore::AfterOp() {
    if (FEnded) Complete();
}

// The operation's own frames are gone: what follows it runs, and with no
// further operation the command ends.
void TEngineCore::Complete() {
    FEnded = false;
    FCancelling = false;
    std::unique_ptr<TOperation> op = std::move(FOwned);
    TThen then = std::move(FThen);
    FThen = nullptr;
    JournalChanges(FTitle);
    SettleDropped();
    if (then) then(*op, FCancelled);
    if (FOwned == nullptr) End();
}

void TEngineCore::StopOper() {
    SetPosition(FProgress.bar.Max);
    RestartSession();
    PresentAll();
    EndOper();
}

void TEngineCore::Request(const Bytes& body, int step) {
    if (FCurrent == nullptr || FCancelling) return;  // ended or cancelled: nothing further goes out
    FQueue.Request(body, step, FSerial);
}

// One request on the line at a time: the next goes out only once the
// previous one is answered, so a Cancel can stop the rest.
void TEngineCore::ReleaseHeld() {
    if (FCurrent == nullptr || FCancelling) FQueue.ClearHeld();
    FQueue.ReleaseHeld(FSerial);
}

void TEngineCore::RequestScan(const Bytes& addresses, int step) {
    if (FCurrent == nullptr || FCancelling) return;
    FQueue.Scan(addresses, step, FSerial);
}

void TEngineCore::OnScanDone(const Bytes& found, std::uint32_t Check) {
    TRequestQueue::Pending p;
    if (!FQueue.TakeOwn(Check, true, p)) return;
    if (FCurrent != nullptr && p.op == FSerial) {
        FCurrent->OnScanned(p.step, found);
        if (FCancelling && FCurrent != nullptr && !Outstanding()) EndOper();
    }
    ReleaseHeld();
    AfterOp();
}

void TEngineCore::RequestQuiet(int step) {
    if (FCurrent == nullptr || FCancelling) return;
    FQueue.Quiet(step, FSerial);
}

void TEngineCore::OnQuiet(std::uint32_t Check) {
    TRequestQueue::Pending p;
    if (!FQueue.TakeOwn(Check, false, p)) return;
    if (FCurrent != nullptr && p.op == FSerial) {
        FCurrent->OnQuiet(p.step);
        if (FCancelling && FCurrent != nullptr && !Outstanding()) EndOper();
    }
    ReleaseHeld();
    AfterOp();
}

void TEngineCore::OnDoubt(std::uint32_t Check) {
    const TRequestQueue::Pending* p = FQueue.Doubted(Check);
    if (p != nullptr) Changes.Doubted(p->body);
    if (p != nullptr && FCurrent != nullptr && p->op == FSerial) FCurrent->OnDoubt(p->step, p->body);
    AfterOp();
}

void TEngineCore::OnScanProgress(std::uint32_t done, std::uint32_t total, std::uint32_t found) {
    if (FCurrent != nullptr && !FCancelling) FCurrent->OnScanProgress(done, total, found);
    AfterOp();
}

void TEngineCore::SendOutside(const Bytes& body, std::function<void(const TAnswer&)> onAnswer) {
    FQueue.SendOutside(body, std::move(onAnswer));
}

// The engine knows whom it asked and what: an answer from another address,
// or to another command, is no answer, whatever it says. An answer nobody
// waits for (the operation ended or was cancelled) is dropped.
void TEngineCore::OnAsyncAnswer(const Bytes& Answer, std::uint32_t Check) {
    TRequestQueue::Pending p;
    if (!FQueue.TakeAnswered(Check, p)) return;
    const TAnswer given(Answer);
    const bool fromTarget = !given.Failure && given.Adr == p.adr && given.Cmd == p.answerCmd;
    const TAnswer a(fromTarget ? Answer : kFailureBytes);
    Changes.Answered(p.body, a);
    if (p.op == 0) {
        if (auto handler = FQueue.TakeOutsideHandler()) handler(a);
        JournalChanges(kOutsideTitle);
    } else if (FCurrent != nullptr && p.op == FSerial) {
        FCurrent->OnAnswer(p.step, a);
        // Cancelled: the answer in flight has been applied, nothing more goes out.
        if (FCancelling && FCurrent != nullptr && !Outstanding()) EndOper();
    }
    ReleaseHeld();
    AfterOp();
}

void TEngineCore::OnReadCard(const Bytes& Answer) {
    if (FCurrent != nullptr) FCurrent->OnCardHeld(Answer);
    AfterOp();
}

void TEngineCore::OnDevOn(std::uint32_t AddrDevice) {
    Group.SetStateByAdr(static_cast<std::uint8_t>(AddrDevice), dfConnected);
    Changed(chDevices);
}

// During the speed phase controllers drop off the line on purpose.
void TEngineCore::OnDevOff(std::uint32_t AddrDevice) {
    if (State() == osSetSpeed) return;
    // What comes back at that address may be another controller.
    Changes.Forget(static_cast<std::uint8_t>(AddrDevice));
    Group.ClearState(Group.IndexOfAdr(static_cast<std::uint8_t>(AddrDevice)), dfConnected);
    Changed(chDevices);
}

// The session has already closed the port and dropped what was queued: the
// operation ends now, with the port named, instead of running on through
// failed answers and looking finished.
void TEngineCore::OnPortLost(const std::string& message) {
    Changes.ForgetReads();  // the line may come back with other controllers on it
    // A write on the line when the port went may or may not have been carried out.
    std::map<std::uint8_t, std::vector<std::uint16_t>> unsure;
    std::vector<std::string> unsureSettings;
    for (const auto& [check, p] : FQueue.OnTheLine()) {
        const Bytes& body = p.body;
        if (p.op == 0 || p.scan || body.size() < 3) continue;
        if (body[2] == cmdWriteCard && body.size() >= 5)
            unsure[body[0]].push_back(CellOfRequest(body));
        if (body[2] == cmdChangePass)
            unsureSettings.push_back(DeviceLabel(body[0]) + " — пароль мог смениться, проверить не удалось.");
        if (body[2] == cmdWriteConfig)
            unsureSettings.push_back(DeviceLabel(body[0]) +
                                     " — параметры (адрес, скорость) могли смениться, проверить не удалось.");
    }
    FQueue.DropAll();
    for (DevIndex i = 0; i < Group.Count(); ++i) Group.ClearState(i, dfConnected);
    Changed(chDevices);
    TOperation* op = FCurrent;
    if (op != nullptr) EndOper();
    Notice(kCaptionMessage, message, TMsgIcon::Error);
    for (const auto& [adr, cells] : unsure) ReportCells(adr, "не удалось проверить", "не удалось проверить", cells);
    for (const std::string& text : unsureSettings) Notice(kCaptionAttention, text, TMsgIcon::Warning);
    if (op != nullptr) op->OnPortLost();
    AfterOp();
    Changed(chState);
}

// --- progress ---

void TEngineCore::SetProgBFrm(int Max, const std::string& Caption, bool Marquee) {
    FProgress.bar = TProgressBar{};
    FProgress.bar.Max = Max;
    FProgress.bar.Marquee = Marquee;
    FProgress.op = FCommand ? FResult.op : osNone;
    FProgress.caption = Caption;
    FProgress.cancellable = true;
    FProgress.shown = true;
    ShowBar();
}

void TEngineCore::StepIt() {
    FProgress.bar.StepIt();
    ShowBar();
}

void TEngineCore::SetPosition(int p) {
    FProgress.bar.SetPosition(p);
    ShowBar();
}

void TEngineCore::SetCaption(const std::string& text) {
    FProgress.caption = text;
    ShowBar();
}

void TEngineCore::SetCancellable(bool on) {
    FProgress.cancellable = on;
    ShowBar();
}

}  // namespace pelko
