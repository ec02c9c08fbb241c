#include "engine/op_search.h"

#include <algorithm>

#include "engine/card_cells.h"
#include "link/baud_rate.h"

namespace pelko {
namespace {


Bytes EveryAddress() {
    Bytes all;
    for (int a = 1; a <= kLastAddress; ++a) all.push_back(static_cast<std::uint8_t>(a));
    return all;
}

int SpeedRank(std::int32_t baud) {
    const auto it = std::find(kStandardBauds.begin(), kStandardBauds.end(), static_cast<std::uint32_t>(baud));
    return it == kStandardBauds.end() ? 0 : static_cast<int>(it - kStandardBauds.begin());
}

}  // namespace

const char* TSearchOp::StepName(int step) const {
    static const char* const kNames[] = {"search the line", "login", "read parameters", "read cell",
                                         "search the line at speed"};
    return step >= 0 && step <= SpeedScan ? kNames[step] : "?";
}

// The group's devices in group order, or every address.
Bytes TSearchOp::Addresses() const {
    if (FMode != Mode::Group) return EveryAddress();
    Bytes list;
    for (DevIndex i = 0; i < C.Group.Count(); ++i)
        if (C.Group.GetState(i, dfInGroup)) list.push_back(TEngineCore::AdrOf(*C.Device(i)));
    return list;
}

void TSearchOp::Start() { C.RequestScan(Addresses(), FMode == Mode::AllSpeeds ? SpeedScan : Scan); }

void TSearchOp::OnScanProgress(std::uint32_t done, std::uint32_t total, std::uint32_t found) {
    if (total == 0) return;
    const auto d = static_cast<int>(done), t = static_cast<int>(total);
    if (FMode == Mode::AllSpeeds) {
        const std::int32_t baud = C.Session.PortBaudRate();
        C.SetPosition(2 * SpeedRank(baud) + 2 * d / t);
        return C.SetCaption(SearchAllScanCaption(baud, d, t));
    }
    C.SetPosition(C.Bar().Max * d / t);
    C.SetCaption(SearchScanCaption(d, t, static_cast<int>(found)));
}

void TSearchOp::OnScanned(int step, const Bytes& found) {
    if (C.Cancelling()) return FoundWhileCancelled(found);
    if (step == SpeedScan) return SpeedScanned(found);
    FFound = found;
    FNext = 0;
    Next();
}

void TSearchOp::OnAnswer(int step, const TAnswer& a) {
    if (a.Failure) return Next();
    switch (step) {
        case Login: return LoggedIn(a);
        case ReadConfig: return ConfigRead(a);
        case ReadCell: return CellRead(a);
        default: return;
    }
}

void TSearchOp::Found(std::uint8_t adr) {
    FAdr = adr;
    const DevIndex i = C.Group.IndexOfAdr(adr);
    if (i == NoDevice) {
        if (C.Group.AddDevice(adr) == NoDevice) return Next();  // group full
        C.Session.SetDevPresent(adr);
        C.Changed(chDevices);
        FPass = C.Settings.StandPass;
        return C.Request(C.Requests.Login(adr, FPass), Login);
    }
    C.Group.SetState(i, dfConnected);
    C.Changed(chDevices);
    C.Group.GetPass(i, FPass);
    C.Request(C.Requests.Login(adr, FPass), Login);
}

// Cancelled while the line was searched: what answered is on the line, but
// nothing more is asked of it.
void TSearchOp::FoundWhileCancelled(const Bytes& found) {
    for (std::uint8_t adr : found) {
        const DevIndex i = C.Group.IndexOfAdr(adr);
        if (i == NoDevice && C.Group.AddDevice(adr) == NoDevice) continue;
        if (i != NoDevice) C.Group.SetState(i, dfConnected);
        C.Session.SetDevPresent(adr);
    }
    C.Changed(chDevices);
}

void TSearchOp::LoggedIn(const TAnswer& a) {
    const DevIndex i = C.Group.IndexOfAdr(a.Adr);
    if (!a.Verdict()) {
        // Refused: whatever the program knew, it is not open now.
        if (i != NoDevice && C.Group.GetState(i, dfOpened)) {
            C.Group.ClearState(i, dfOpened);
            C.Changed(chDevices);
        }
        return Next();
    }
    if (C.Group.GetState(i, dfConnected)) {
        C.Group.SetState(i, dfOpened);
        C.Group.SetPass(i, FPass);
        C.Changed(chDevices);
        if (FReadCards) return StartAutoRead(i);
    }
    C.Request(C.Requests.ReadConfig(a.Adr), ReadConfig);
}

void TSearchOp::ConfigRead(const TAnswer& a) {
    const DevIndex i = C.Group.IndexOfAdr(a.Adr);
    if (a.Complete() && a.Data(5) == kAccepted) {
        C.Group.SetConfig(i, a.Block());
        C.Group.SetState(i, dfParamsRead);
        C.Changed(chDevices);
    }
    Next();
}

// The search reads the cards of each device it opens (AutoReadKey).
void TSearchOp::StartAutoRead(std::uint8_t index) {
    FSearchMax = C.Bar().Max;
    FSearchPos = C.Bar().Position;
    FAutoReading = true;
    FCell = 0;
    C.CellsDone[FAdr] = 0;
    C.SetProgBFrm(kCellCount - 1, std::string(), false);
    C.SetPolling(false);
    C.SetCaption(ReadCaption(C.NameOf(index), 0));
    C.Request(C.Requests.ReadCard(FAdr, 0), ReadCell);
}

void TSearchOp::CellRead(const TAnswer& a) {
    TConfPelko* dev = C.DeviceByAdr(a.Adr);
    if (!FAutoReading || !a.Complete() || dev == nullptr) return Next();
    StoreReadCell(*dev, FCell, a.Code());
    ++C.CellsDone[FAdr];
    C.SetCaption(ReadCaption(dev->Name, FCell));
    C.StepIt();
    if (FCell < kCellCount - 1) return C.Request(C.Requests.ReadCard(FAdr, ++FCell), ReadCell);
    EndAutoRead();
    C.Request(C.Requests.ReadConfig(FAdr), ReadConfig);
}

void TSearchOp::EndAutoRead() {
    if (!FAutoReading) return;
    FAutoReading = false;
    C.SetPolling(true);
    TProgressBar& bar = C.Bar();
    bar = TProgressBar{};
    bar.Max = FSearchMax;
    bar.SetPosition(FSearchPos);
    C.ShowBar();
}

// The next controller the line search found, in address order; the search
// ends after the last.
void TSearchOp::Next() {
    EndAutoRead();
    if (FNext < FFound.size()) return Found(FFound[FNext++]);
    C.SetPosition(C.Bar().Max);
    C.SetCaption(SearchCaption(100));
    C.EndOper();
}

void TSearchOp::SpeedScanned(const Bytes& found) {
    if (found.empty()) return NextSpeed();
    // Controllers answer at this speed: the search goes on here as at the current speed.
    C.Settings.PortBaudRate = C.Settings.PrevBaudRate = C.Session.PortBaudRate();
    TProgressBar& bar = C.Bar();
    bar = TProgressBar{};
    bar.Max = kLastAddress;
    C.ShowBar();
    FMode = Mode::Addresses;
    FFound = found;
    FNext = 0;
    Next();
}

// The line is exhausted at this speed: try the next one up.
void TSearchOp::NextSpeed() {
    C.CloseSession();
    C.Session.SetFound(false);
    C.Session.SetSearchAddr(false);
    switch (C.Session.PortBaudRate()) {
        case 2400: C.Session.SetTimeOutConstant(80); C.Session.SetPortBaudRate(4800); break;
        case 4800: C.Session.SetTimeOutConstant(50); C.Session.SetPortBaudRate(9600); break;
        case 9600: C.Session.SetPortBaudRate(19200); break;
        case 19200: C.Session.SetPortBaudRate(38400); break;
        case 38400: C.Session.SetPortBaudRate(57600); break;
        case 57600: C.Session.SetPortBaudRate(115200); break;
        default:  // nothing found at any speed
            C.Session.SetPortBaudRate(C.Settings.PrevBaudRate);
            C.ActivateSession();
            return C.EndOper();
    }
    if (!C.ActivateSession()) return C.EndOper();
    C.RequestScan(EveryAddress(), SpeedScan);
}

}  // namespace pelko
