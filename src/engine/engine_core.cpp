#include "engine/engine.h"

#include <iterator>
#include <utility>

namespace pelko {

// States in the order the dispatcher tests them.
const TEngine::StateHandler TEngine::kDispatchOrder[] = {
    {osSearch, &TEngine::OnSearch},
    {osReadAll, &TEngine::OnReadAll},
    {osReadSelected, &TEngine::OnReadSelected},
    {osWriteAll, &TEngine::OnWriteBulk},
    {osWriteSelected, &TEngine::OnWriteBulk},
    {osWriteCard, &TEngine::OnWriteCard},
    {osChangeCode, &TEngine::OnChangeCode},
    {osEraseCard, &TEngine::OnEraseCard},
    {osMoveCard, &TEngine::OnMoveCard},
    {osEraseSelected, &TEngine::OnEraseSelected},
    {osCopyCards, &TEngine::OnCopyCards},
    {osCopyCard, &TEngine::OnCopyCard},
    {osSearchAllSpeeds, &TEngine::OnSearchAllSpeeds},
    {osSetSpeed, &TEngine::OnSetSpeed},
    {osSetStandPass, &TEngine::OnSetStandPass},
    {osReset, &TEngine::OnReset},
};

TEngine::TEngine(TPelkoSession& session, TGroupDev& group, ProgramSettings& settings,
                 EngineHost& host, PortOpener portProbe)
    : FSession(session), FGroup(group), FSettings(settings), FHost(host),
      FPortProbe(std::move(portProbe)) {
    FSession.OnAsyncAnswer = [this](const Bytes& a, std::uint32_t c) { PelkoSession1AsyncAnswer(a, c); };
    FSession.OnReadCard = [this](const Bytes& a) { PelkoSession1ReadCard(a); };
    FSession.OnDevOn = [this](std::uint32_t adr) { PelkoSession1DevOn(adr); };
    FSession.OnDevOff = [this](std::uint32_t adr) { PelkoSession1DevOff(adr); };
    FSession.OnPortLost = [this](const std::string& m) { PelkoSession1PortLost(m); };
    FHost.Timer1Tick = [this] { Timer1Timer(); };
}

TEngine::~TEngine() {
    FSession.OnAsyncAnswer = nullptr;
    FSession.OnReadCard = nullptr;
    FSession.OnDevOn = nullptr;
    FSession.OnDevOff = nullptr;
    FSession.OnPortLost = nullptr;
    FHost.Timer1Tick = nullptr;
}

TConfPelko* TEngine::SelectedDevice() {
    const DevIndex sel = FGroup.Selected();
    return sel == NoDevice ? nullptr : Device(sel);
}

TConfPelko& TEngine::CurConf() {
    TConfPelko* dev = SelectedDevice();
    return dev != nullptr ? *dev : FEmptyConf;
}

std::string TEngine::NameOf(std::uint8_t index) {
    std::string name;
    FGroup.GetName(index, name);
    return name;
}

namespace {
const Bytes kFailureBytes(6, 0);
}  // namespace

void TEngine::PelkoSession1AsyncAnswer(const Bytes& Answer, std::uint32_t Check) {
    // The engine knows whom it asked: an answer from another address is no
    // answer from the target, whatever it says.
    const Bytes* raw = &Answer;
    if (const auto it = FExpectAdr.find(Check); it != FExpectAdr.end()) {
        if (TAnswer(Answer).Adr != it->second) raw = &kFailureBytes;
        FExpectAdr.erase(it);
    }
    const TAnswer a(*raw);
    if (FStandPassCheck && *FStandPassCheck == Check) {
        OnStandPassAnswer(a);
        return ReleaseHeld();
    }
    if (static_cast<std::int32_t>(Check - FFreshFrom) < 0) return;  // left from an ended operation
    for (const StateHandler& h : kDispatchOrder) {
        if (OperState == h.state) {
            (this->*h.handler)(a, Check);
            break;
        }
    }
    // Cancelled: the answer in flight has been applied, nothing more goes out.
    if (FCancelling && !Outstanding() && OperState != osIdle) EndOper();
    ReleaseHeld();
}

bool TEngine::Outstanding() const {
    for (const auto& [check, adr] : FExpectAdr) {
        if (FStandPassCheck && *FStandPassCheck == check) continue;
        if (static_cast<std::int32_t>(check - FFreshFrom) >= 0) return true;
    }
    return false;
}

// One request on the line at a time: the next goes out only once the
// previous one is answered, so a Cancel can stop the rest.
void TEngine::ReleaseHeld() {
    if (OperState == osIdle || OperState == osNone || FCancelling) FHeld.clear();
    if (FHeld.empty() || Outstanding()) return;
    Bytes body = std::move(FHeld.front());
    FHeld.pop_front();
    Send(body);
}

void TEngine::PelkoSession1DevOn(std::uint32_t AddrDevice) {
    FGroup.SetStateByAdr(static_cast<std::uint8_t>(AddrDevice), dfConnected);
    FHost.UpdateGridDev();
}

// During the speed phase controllers drop off the line on purpose.
void TEngine::PelkoSession1DevOff(std::uint32_t AddrDevice) {
    if (OperState == osSetSpeed) return;
    FGroup.ClearState(FGroup.IndexOfAdr(static_cast<std::uint8_t>(AddrDevice)), dfConnected);
    FHost.UpdateGridDev();
}

void TEngine::Timer1Timer() {
    if (OperState == osCaptureCode) {
        FBar.Position = (FBar.Position + 10) % 100;
        ShowBar();
    } else if (OperState == osReset) {
        ResetTimerTick();
    }
}

bool TEngine::EnPort(int port) {
    if (FSession.Active()) return true;
    if (!FPortProbe || port < 1 || port > 255) return false;
    FPortError.clear();
    return FPortProbe(static_cast<std::uint8_t>(port), FPortError) != nullptr;
}

void TEngine::PortMessage() {
    // The second line says why, where the port layer knows.
    std::string text = "COM порт " + std::to_string(FSettings.NComPort) + " недоступен";
    if (!FPortError.empty()) text += "\r\n" + FPortError;
    FHost.ShowMessage(kCaptionMessage, text, TMsgIcon::Error);
}

DevIndex TEngine::FirstOpened() const {
    for (DevIndex i = 0; i < FGroup.Count(); ++i)
        if (IsOpened(i)) return i;
    return NoDevice;
}

DevIndex TEngine::FirstClosed() const {
    for (DevIndex i = 0; i < FGroup.Count(); ++i)
        if (!IsOpened(i)) return i;
    return NoDevice;
}

void TEngine::PresentAll() {
    for (std::uint8_t i = 0; i < FGroup.Count(); ++i) FSession.SetDevPresent(AdrOf(*Device(i)));
}

bool TEngine::ActivateSession() {
    FSession.SetActive(true);
    if (!FSession.Active()) {
        FPortError = FSession.LastError();
        return false;
    }
    FSession.SetERUniqueButton(FPolling);
    return true;
}

void TEngine::SetPolling(bool on) {
    FPolling = on;
    FSession.SetERUniqueButton(on);
}

bool TEngine::RestartSession() {
    FSession.SetActive(false);
    return ActivateSession();
}

// A starter must not queue into a session without a worker: nothing would
// ever answer and the progress window would wait for good.
bool TEngine::EnsureActive() {
    if (FSession.Active()) {
        FSession.SetERUniqueButton(FPolling);  // the worker may have been started elsewhere
        return true;
    }
    if (ActivateSession()) return true;
    PortMessage();
    return false;
}

void TEngine::StopOper() {
    SetPosition(FBar.Max);
    RestartSession();
    PresentAll();
    EndOper();
}

void TEngine::EndOper() {
    OperState = osIdle;
    FHeld.clear();
    FFreshFrom = FNextCheck;
    FHost.ProgressClose();
}

void TEngine::SetProgBFrm(int Max, const std::string& Caption, bool Marquee) {
    FBar = TProgressBar{};
    FBar.Max = Max;
    FBar.Marquee = Marquee;
    FHost.ProgressPrepare();
    SetCaption(Caption);
    ShowBar();
}

// On Cancel the request in flight still reaches the controller: its answer is
// waited for (Cancel greyed) and applied, and nothing further is sent.
TModalResult TEngine::ShowModal() {
    const TModalResult result = FHost.ProgressShowModal();
    if (result != TModalResult::Cancel) return result;
    FHeld.clear();
    if (Outstanding() && OperState != osIdle && OperState != osNone) {
        FCancelling = true;
        FHost.ProgressCancelEnabled(false);
        FHost.ProgressShowModal();
        FHost.ProgressCancelEnabled(true);
        FCancelling = false;
    }
    FFreshFrom = FNextCheck;
    FExpectAdr.clear();
    FHeld.clear();
    return result;
}

void TEngine::StepIt() {
    FBar.StepIt();
    ShowBar();
}

void TEngine::SetPosition(int p) {
    FBar.SetPosition(p);
    ShowBar();
}

void TEngine::SetCaption(const std::string& text) {
    FCaption = text;
    FHost.ProgressCaption(text);
}

std::uint32_t TEngine::Queue(const Bytes& body) {
    if (FCancelling) return 0;  // cancelled: nothing further goes out
    if (Outstanding() || !FHeld.empty()) {
        FHeld.push_back(body);
        return 0;
    }
    return Send(body);
}

std::uint32_t TEngine::Send(const Bytes& body) {
    std::uint32_t check = 0;
    FSession.AsyncQuery(body, check);
    FNextCheck = check + 1;
    if (!body.empty()) FExpectAdr[check] = body[0];
    // Answers dropped with the session's queue never come: forget them.
    for (auto it = FExpectAdr.begin(); it != FExpectAdr.end();)
        it = static_cast<std::int32_t>(it->first - FFreshFrom) < 0 ? FExpectAdr.erase(it) : std::next(it);
    return check;
}

void TEngine::Login(std::uint8_t adr, const TCode& pass) { Queue(Requests.Login(adr, pass)); }

void TEngine::RefreshCardList() {
    FHost.SetCardRowCount(CurConf().CardCount(MasterView));
    FHost.RepaintCardGrid();
}

void TEngine::AskDeviceParams(const std::string& caption) {
    TDeviceParams params = ParamsToDialog(WorkConfig);
    if (FHost.EditDeviceParams(params, caption, false)) DialogToParams(params, WorkConfig);
}

}  // namespace pelko
