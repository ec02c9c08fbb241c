#include "engine/op_search.h"

#include "engine/card_cells.h"

namespace pelko {
namespace {

constexpr int kLastAddress = 254;

}  // namespace

const char* TSearchOp::StepName(int step) const {
    static const char* const kNames[] = {"probe", "login", "read parameters", "read cell", "probe at speed"};
    return step >= 0 && step <= SpeedProbe ? kNames[step] : "?";
}

void TSearchOp::Start() {
    C.Request(C.Requests.Probe(FAdr), FMode == Mode::AllSpeeds ? SpeedProbe : Probe);
}

void TSearchOp::OnAnswer(int step, const TAnswer& a) {
    if (step == SpeedProbe) return SpeedProbed(a);
    if (a.Failure) return Next();
    switch (step) {
        case Probe: return Found(a);
        case Login: return LoggedIn(a);
        case ReadConfig: return ConfigRead(a);
        case ReadCell: return CellRead(a);
        default: return;
    }
}

void TSearchOp::Found(const TAnswer& a) {
    const DevIndex i = C.Group.IndexOfAdr(a.Adr);
    if (i == NoDevice) {
        if (C.Group.AddDevice(a.Adr) == NoDevice) return Next();  // group full
        C.Session.SetDevPresent(a.Adr);
        C.Host.UpdateGridDev();
        FPass = C.Settings.StandPass;
        C.Request(C.Requests.Login(a.Adr, FPass), Login);
        C.Host.ShowDeviceGrid();
        return;
    }
    C.Group.SetState(i, dfConnected);
    C.Host.UpdateGridDev();
    C.Group.GetPass(i, FPass);
    C.Request(C.Requests.Login(a.Adr, FPass), Login);
}

void TSearchOp::LoggedIn(const TAnswer& a) {
    const DevIndex i = C.Group.IndexOfAdr(a.Adr);
    if (!a.Verdict()) {
        // Refused: whatever the program knew, it is not open now.
        if (i != NoDevice && C.Group.GetState(i, dfOpened)) {
            C.Group.ClearState(i, dfOpened);
            C.Host.UpdateGridDev();
        }
        return Next();
    }
    if (C.Group.GetState(i, dfConnected)) {
        C.Group.SetState(i, dfOpened);
        C.Group.SetPass(i, FPass);
        C.Host.UpdateGridDev();
        if (FReadCards) return StartAutoRead(i);
    }
    C.Request(C.Requests.ReadConfig(a.Adr), ReadConfig);
}

void TSearchOp::ConfigRead(const TAnswer& a) {
    const DevIndex i = C.Group.IndexOfAdr(a.Adr);
    if (a.Complete() && a.Data(5) == kAccepted) {
        C.Group.SetConfig(i, a.Block());
        C.Group.SetState(i, dfParamsRead);
        C.Host.UpdateGridDev();
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

void TSearchOp::Next() {
    EndAutoRead();
    if (FMode == Mode::Group) return NextInGroup();
    C.SetPosition(FAdr - FBase);
    C.SetCaption(SearchCaption(SearchAddrPercent(FAdr)));
    if (FAdr < kLastAddress) return C.Request(C.Requests.Probe(++FAdr), Probe);
    C.StepIt();
    C.EndOper();
}

void TSearchOp::NextInGroup() {
    C.StepIt();
    C.SetCaption(SearchCaption(FractionPercent(C.Bar().Position, C.Bar().Max)));
    const DevIndex at = C.Group.IndexOfAdr(FAdr);
    if (at != NoDevice) {
        for (int j = at + 1; j < C.Group.Count(); ++j) {
            const auto i = static_cast<DevIndex>(j);
            if (!C.Group.GetState(i, dfInGroup)) continue;
            FAdr = TEngineCore::AdrOf(*C.Device(i));
            return C.Request(C.Requests.Probe(FAdr), Probe);
        }
    }
    C.StepIt();
    C.EndOper();
}

void TSearchOp::SpeedProbed(const TAnswer& a) {
    if (!a.Failure) {
        // The first controller found: the search goes on at this speed from its address.
        C.Settings.PortBaudRate = C.Settings.PrevBaudRate = C.Session.PortBaudRate();
        TProgressBar& bar = C.Bar();
        bar = TProgressBar{};
        bar.Max = kLastAddress - a.Adr;
        C.ShowBar();
        C.SetCaption(SearchCaption(0));
        FMode = Mode::Addresses;
        FBase = a.Adr;
        FSearchMax = bar.Max;
        return C.Request(C.Requests.Probe(FAdr), Probe);
    }
    if (FAdr < kLastAddress) {
        ++FAdr;
        if (FAdr == 127 || FAdr == kLastAddress) C.StepIt();
        return C.Request(C.Requests.Probe(FAdr), SpeedProbe);
    }
    NextSpeed();
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
    FAdr = 1;
    C.Request(C.Requests.Probe(1), SpeedProbe);
}

}  // namespace pelko
