#include "engine/engine_core.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace pelko {
namespace {

const Bytes kFailureBytes(6, 0);
constexpr std::size_t kShortAnswer = 6;
constexpr std::size_t kConfigAnswer = 11;
// The only request sent outside an operation gives a device a new password.
constexpr char kOutsideTitle[] = "Смена пароля";

bool Confirmed(const Bytes& answer, std::uint8_t adr, std::uint8_t cmd) {
    return answer.size() >= 4 && answer[0] == adr && answer[2] == cmd && answer[3] == kAccepted;
}

}  // namespace

TEngineCore::TEngineCore(TPelkoSession& session, TGroupDev& group, ProgramSettings& settings,
                         EngineHost& host, PortOpener portProbe)
    : Session(session), Group(group), Settings(settings), Host(host), FPortProbe(std::move(portProbe)) {}

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
    Host.ShowMessage(kCaptionAttention, DeviceLabel(adr) + " — " + what + CellRanges(cells), TMsgIcon::Warning);
}

void TEngineCore::RefreshCardList() {
    Host.SetCardRowCount(CurConf().CardCount(MasterView));
    Host.RepaintCardGrid();
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
    Host.ShowMessage(kCaptionMessage, text, TMsgIcon::Error);
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
    DropPending();
}

// The worker is gone with every request it held: none of their answers will
// come, and a change outside any operation is found out later by login.
void TEngineCore::DropPending() {
    for (const auto& [check, p] : FPending)
        if (p.op == 0) FOutsideDropped = std::move(FOutsideAnswer);
    FPending.clear();
}

void TEngineCore::SettleDropped() {
    if (!FOutsideDropped || FCurrent != nullptr || !Session.Active()) return;
    auto handler = std::move(FOutsideDropped);
    FOutsideDropped = nullptr;
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

bool TEngineCore::SyncProbe(std::uint8_t adr) {
    Bytes answer;
    Session.SyncQuery(Requests.Probe(adr), answer, kShortAnswer);
    return answer.size() >= 3 && answer[0] == adr && answer[2] == ansProbe;
}

bool TEngineCore::SyncProbeAt(std::uint8_t adr, std::int32_t baud) {
    const std::int32_t own = Session.PortBaudRate();
    if (baud == own) return Session.Active() && SyncProbe(adr);
    const bool answered = ReopenAt(baud) && SyncProbe(adr);
    ReopenAt(own);
    return answered;
}

bool TEngineCore::SyncLogin(std::uint8_t adr, const TCode& pass) {
    Bytes answer;
    Session.SyncQuery(Requests.Login(adr, pass), answer, kShortAnswer);
    return Confirmed(answer, adr, ansLogin);
}

bool TEngineCore::SyncWriteConfig(std::uint8_t adr, const TDevConfig& block) {
    Bytes answer;
    Session.SyncQuery(Requests.WriteConfig(adr, block), answer, kShortAnswer);
    const bool ok = Confirmed(answer, adr, ansWriteConfig);
    Changes.ConfigWritten(adr, block, ok);
    return ok;
}

bool TEngineCore::SyncReadConfig(std::uint8_t adr, TDevConfig& block) {
    Bytes answer;
    Session.SyncQuery(Requests.ReadConfig(adr), answer, kConfigAnswer);
    const TAnswer a(answer);
    if (a.Failure || a.Adr != adr || a.Cmd != ansReadConfig || !a.Complete() || a.Data(5) != kAccepted)
        return false;
    block = a.Block();
    return true;
}

int TEngineCore::CheckPassChange(std::uint8_t adr, const TCode& oldPass, const TCode& newPass) {
    if (!Session.Active()) return -1;
    if (SyncLogin(adr, newPass)) {
        Changes.PassTook(adr);
        return 1;
    }
    if (SyncLogin(adr, oldPass)) return 0;
    return -1;
}

// --- the running operation ---

TOperState TEngineCore::State() const {
    if (FCurrent != nullptr) return FCurrent->State();
    return FEverRan ? osIdle : osNone;
}

TModalResult TEngineCore::Run(TOperation& op) {
    const std::string title = OperationTitle(op.State());
    FCurrent = &op;
    ++FSerial;
    FEverRan = true;
    FCancelling = false;
    op.Start();
    TModalResult result = TModalResult::Closed;
    if (FCurrent == &op) result = ShowModal();
    if (FCurrent == &op) Finish();
    JournalChanges(title);
    SettleDropped();
    return result;
}

// On Cancel the request in flight still reaches the controller: its answer is
// waited for (Cancel greyed) and applied, and nothing further is sent.
TModalResult TEngineCore::ShowModal() {
    const TModalResult result = Host.ProgressShowModal();
    if (result != TModalResult::Cancel) return result;
    FHeld.clear();
    if (FCurrent != nullptr && Outstanding()) {
        Session.StopScan();
        FCancelling = true;
        Host.ProgressCancelEnabled(false);
        Host.ProgressShowModal();
        Host.ProgressCancelEnabled(true);
        FCancelling = false;
    }
    return result;
}

void TEngineCore::Finish() {
    FCurrent = nullptr;
    FHeld.clear();
    for (auto it = FPending.begin(); it != FPending.end();)
        it = it->second.op != 0 ? FPending.erase(it) : std::next(it);
}

void TEngineCore::EndOper() {
    Finish();
    Host.ProgressClose();
    SettleDropped();
}

void TEngineCore::StopOper() {
    SetPosition(FBar.Max);
    RestartSession();
    PresentAll();
    EndOper();
}

void TEngineCore::Request(const Bytes& body, int step) {
    if (FCurrent == nullptr || FCancelling) return;  // ended or cancelled: nothing further goes out
    if (!Idle()) {
        FHeld.push_back({body, step});
        return;
    }
    Send(body, step, FSerial);
}

bool TEngineCore::Outstanding() const {
    for (const auto& [check, p] : FPending)
        if (p.op != 0) return true;
    return false;
}

// One request on the line at a time: the next goes out only once the
// previous one is answered, so a Cancel can stop the rest.
void TEngineCore::ReleaseHeld() {
    if (FCurrent == nullptr || FCancelling) FHeld.clear();
    if (FHeld.empty() || Outstanding()) return;
    Held next = std::move(FHeld.front());
    FHeld.pop_front();
    Send(next.body, next.step, FSerial);
}

std::uint32_t TEngineCore::Send(const Bytes& body, int step, std::uint64_t op) {
    std::uint32_t check = 0;
    Session.AsyncQuery(body, check);
    if (body.size() >= 3) FPending[check] = {body[0], static_cast<std::uint8_t>(body[2] + 1), step, op, body};
    return check;
}

void TEngineCore::RequestScan(const Bytes& addresses, int step) {
    if (FCurrent == nullptr || FCancelling || !Idle()) return;
    std::uint32_t check = 0;
    Session.AsyncScan(addresses, check);
    FPending[check] = {0, 0, step, FSerial, addresses, true};
}

const TEngineCore::Pending* TEngineCore::TakeOwn(std::uint32_t check, bool scan, Pending& into) {
    const auto it = FPending.find(check);
    const bool quiet = !scan;
    if (it == FPending.end() || it->second.scan != scan || it->second.quiet != quiet) return nullptr;
    into = it->second;
    FPending.erase(it);
    return &into;
}

void TEngineCore::OnScanDone(const Bytes& found, std::uint32_t Check) {
    Pending p;
    if (TakeOwn(Check, true, p) == nullptr) return;
    if (FCurrent != nullptr && p.op == FSerial) {
        FCurrent->OnScanned(p.step, found);
        if (FCancelling && FCurrent != nullptr && !Outstanding()) EndOper();
    }
    ReleaseHeld();
}

void TEngineCore::RequestQuiet(int step) {
    if (FCurrent == nullptr || FCancelling || !Idle()) return;
    std::uint32_t check = 0;
    Session.AsyncQuiet(check);
    FPending[check] = {0, 0, step, FSerial, {}, false, true};
}

void TEngineCore::OnQuiet(std::uint32_t Check) {
    Pending p;
    if (TakeOwn(Check, false, p) == nullptr) return;
    if (FCurrent != nullptr && p.op == FSerial) {
        FCurrent->OnQuiet(p.step);
        if (FCancelling && FCurrent != nullptr && !Outstanding()) EndOper();
    }
    ReleaseHeld();
}

void TEngineCore::OnDoubt(std::uint32_t Check) {
    for (const auto& [check, p] : FAnswered)
        if (check == Check && FCurrent != nullptr && p.op == FSerial) FCurrent->OnDoubt(p.step, p.body);
}

void TEngineCore::OnScanProgress(std::uint32_t done, std::uint32_t total, std::uint32_t found) {
    if (FCurrent != nullptr && !FCancelling) FCurrent->OnScanProgress(done, total, found);
}

void TEngineCore::SendOutside(const Bytes& body, std::function<void(const TAnswer&)> onAnswer) {
    FOutsideAnswer = std::move(onAnswer);
    Send(body, 0, 0);
}

// The engine knows whom it asked and what: an answer from another address,
// or to another command, is no answer, whatever it says. An answer nobody
// waits for (the operation ended or was cancelled) is dropped.
void TEngineCore::OnAsyncAnswer(const Bytes& Answer, std::uint32_t Check) {
    const auto it = FPending.find(Check);
    if (it == FPending.end()) return;
    const Pending p = it->second;
    FPending.erase(it);
    FAnswered.emplace_back(Check, p);
    while (FAnswered.size() > kAnsweredKept) FAnswered.pop_front();
    const TAnswer given(Answer);
    const bool fromTarget = !given.Failure && given.Adr == p.adr && given.Cmd == p.answerCmd;
    const TAnswer a(fromTarget ? Answer : kFailureBytes);
    Changes.Answered(p.body, a);
    if (p.op == 0) {
        auto handler = std::move(FOutsideAnswer);
        FOutsideAnswer = nullptr;
        if (handler) handler(a);
        JournalChanges(kOutsideTitle);
    } else if (FCurrent != nullptr && p.op == FSerial) {
        FCurrent->OnAnswer(p.step, a);
        // Cancelled: the answer in flight has been applied, nothing more goes out.
        if (FCancelling && FCurrent != nullptr && !Outstanding()) EndOper();
    }
    ReleaseHeld();
}

void TEngineCore::OnReadCard(const Bytes& Answer) {
    if (FCurrent != nullptr) FCurrent->OnCardHeld(Answer);
}

void TEngineCore::OnDevOn(std::uint32_t AddrDevice) {
    Group.SetStateByAdr(static_cast<std::uint8_t>(AddrDevice), dfConnected);
    Host.UpdateGridDev();
}

// During the speed phase controllers drop off the line on purpose.
void TEngineCore::OnDevOff(std::uint32_t AddrDevice) {
    if (State() == osSetSpeed) return;
    Group.ClearState(Group.IndexOfAdr(static_cast<std::uint8_t>(AddrDevice)), dfConnected);
    Host.UpdateGridDev();
}

// The session has already closed the port and dropped what was queued: the
// operation ends now, with the port named, instead of running on through
// failed answers and looking finished.
void TEngineCore::OnPortLost(const std::string& message) {
    // A write on the line when the port went may or may not have been carried out.
    std::map<std::uint8_t, std::vector<std::uint16_t>> unsure;
    std::vector<std::string> unsureSettings;
    for (const auto& [check, p] : FPending) {
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
    DropPending();
    for (DevIndex i = 0; i < Group.Count(); ++i) Group.ClearState(i, dfConnected);
    Host.UpdateGridDev();
    TOperation* op = FCurrent;
    if (op != nullptr) EndOper();
    Host.UpdateControls();
    Host.ShowMessage(kCaptionMessage, message, TMsgIcon::Error);
    for (const auto& [adr, cells] : unsure) ReportCells(adr, "не удалось проверить", "не удалось проверить", cells);
    for (const std::string& text : unsureSettings) Host.ShowMessage(kCaptionAttention, text, TMsgIcon::Warning);
    if (op != nullptr) op->OnPortLost();
}

void TEngineCore::OnTimer() {
    if (FCurrent != nullptr) FCurrent->OnTimer();
}

// --- the progress window ---

void TEngineCore::SetProgBFrm(int Max, const std::string& Caption, bool Marquee) {
    FBar = TProgressBar{};
    FBar.Max = Max;
    FBar.Marquee = Marquee;
    Host.ProgressPrepare();
    SetCaption(Caption);
    ShowBar();
}

void TEngineCore::StepIt() {
    FBar.StepIt();
    ShowBar();
}

void TEngineCore::SetPosition(int p) {
    FBar.SetPosition(p);
    ShowBar();
}

void TEngineCore::SetCaption(const std::string& text) {
    FCaption = text;
    Host.ProgressCaption(text);
}

void TEngineCore::AskDeviceParams(TDevConfig& block, const std::string& caption) {
    TDeviceParams params = ParamsToDialog(block);
    if (Host.EditDeviceParams(params, caption, false)) DialogToParams(params, block);
}

}  // namespace pelko
