// Device search: at the current speed, over the group loaded from a file, and
// over every line speed until a controller answers.
#include "engine/engine.h"

namespace pelko {
namespace {

constexpr int kLastAddress = 254;
constexpr int kAllSpeedSteps = 14;  // seven speeds, two steps each

}  // namespace

bool TEngine::StartSearchSession() {
    FSession.SetActive(false);
    FSession.SetFound(false);
    FSession.SetSearchAddr(false);
    if (!ActivateSession()) {
        PortMessage();
        return false;
    }
    PresentAll();
    return true;
}

void TEngine::RunSearch(std::uint8_t firstAdr) {
    OperState = osSearch;
    CurIndex = firstAdr;
    CurCell = 0;
    FSearchMax = FBar.Max;
    Probe(firstAdr);
    ShowModal();
    EndAutoRead();
    FGroupMode = false;
    OperState = osIdle;
}

void TEngine::SpButFindClick() {
    if (!EnPort(FSettings.NComPort)) {
        PortMessage();
        return;
    }
    if (!StartSearchSession()) return;
    SetProgBFrm(kLastAddress, SearchCaption(0), false);
    if (OperState != osNone && OperState != osIdle) return;
    FGroupMode = false;
    FSearchBase = 0;
    RunSearch(1);
    FHost.UpdateControls();
}

void TEngine::GroupSearch() {
    if (!EnPort(FSettings.NComPort)) {
        PortMessage();
        return;
    }
    if (!StartSearchSession()) return;
    int inGroup = 0;
    DevIndex first = NoDevice;
    for (DevIndex i = 0; i < FGroup.Count(); ++i) {
        if (!FGroup.GetState(i, dfInGroup)) continue;
        if (inGroup++ == 0) first = i;
    }
    if (inGroup == 0) return;
    SetProgBFrm(inGroup, SearchCaption(0), false);
    if (OperState != osNone && OperState != osIdle) return;
    FGroupMode = true;
    FSearchBase = 0;
    RunSearch(AdrOf(*Device(first)));
    FHost.UpdateControls();
    FHost.UpdateGridDev();
}

void TEngine::OnSearch(const TAnswer& a, std::uint32_t) {
    if (a.Failure) return SearchNext();
    const DevIndex i = FGroup.IndexOfAdr(a.Adr);
    switch (a.Cmd) {
        case ansProbe:
            if (i == NoDevice) {
                if (FGroup.AddDevice(a.Adr) == NoDevice) return SearchNext();  // group full
                FSession.SetDevPresent(a.Adr);
                FHost.UpdateGridDev();
                CurPass = FSettings.StandPass;
                Login(a.Adr, CurPass);
                FHost.ShowDeviceGrid();
            } else {
                FGroup.SetState(i, dfConnected);
                FHost.UpdateGridDev();
                FGroup.GetPass(i, CurPass);
                Login(a.Adr, CurPass);
            }
            return;
        case ansLogin:
            if (!a.Verdict()) {
                // Refused: whatever the program knew, it is not open now.
                if (i != NoDevice && FGroup.GetState(i, dfOpened)) {
                    FGroup.ClearState(i, dfOpened);
                    FHost.UpdateGridDev();
                }
                return SearchNext();
            }
            if (FGroup.GetState(i, dfConnected)) {
                FGroup.SetState(i, dfOpened);
                FGroup.SetPass(i, CurPass);
                FHost.UpdateGridDev();
                if (FSettings.AutoReadKey) return StartAutoRead(a.Adr, i);
            }
            return ReadConfig(a.Adr);
        case ansReadConfig:
            if (a.Complete() && a.Data(5) == kAccepted) {
                WorkConfig = a.Block();
                FGroup.SetConfig(i, WorkConfig);
                FGroup.SetState(i, dfParamsRead);
                FHost.UpdateGridDev();
            }
            return SearchNext();
        case ansReadCard: {
            TConfPelko* dev = Device(i);
            if (!FAutoReading || !a.Complete() || dev == nullptr) return SearchNext();
            StoreReadCard(*dev, CurCell, a.Code());
            SetCaption(ReadCaption(dev->Name, CurCell));
            StepIt();
            if (CurCell < kCellCount - 1) return ReadCell(a.Adr, ++CurCell);
            EndAutoRead();
            return ReadConfig(a.Adr);
        }
        default:
            return;
    }
}

// The search reads the cards of each device it opens (AutoReadKey).
void TEngine::StartAutoRead(std::uint8_t adr, std::uint8_t index) {
    FSearchMax = FBar.Max;
    FSearchPos = FBar.Position;
    FAutoReading = true;
    CurCell = 0;
    FCellsDone[adr] = 0;
    SetProgBFrm(kCellCount - 1, std::string(), false);
    SetPolling(false);
    SetCaption(ReadCaption(NameOf(index), 0));
    ReadCell(adr, 0);
}

// Back to the search's own bar and polling, whether the read ended or failed.
void TEngine::EndAutoRead() {
    if (!FAutoReading) return;
    FAutoReading = false;
    SetPolling(true);
    FBar = TProgressBar{};
    FBar.Max = FSearchMax;
    FBar.SetPosition(FSearchPos);
    ShowBar();
}

void TEngine::SearchNext() {
    EndAutoRead();
    if (FGroupMode) return SearchNextInGroup();
    SetPosition(CurIndex - FSearchBase);
    SetCaption(SearchCaption(SearchAddrPercent(CurIndex)));
    if (CurIndex < kLastAddress) return Probe(++CurIndex);
    StepIt();
    EndOper();
}

void TEngine::SearchNextInGroup() {
    StepIt();
    SetCaption(SearchCaption(FractionPercent(FBar.Position, FBar.Max)));
    const DevIndex at = FGroup.IndexOfAdr(CurIndex);
    if (at != NoDevice) {
        for (int j = at + 1; j < FGroup.Count(); ++j) {
            const auto i = static_cast<DevIndex>(j);
            if (!FGroup.GetState(i, dfInGroup)) continue;
            CurIndex = AdrOf(*Device(i));
            return Probe(CurIndex);
        }
    }
    StepIt();
    EndOper();
}

void TEngine::SpButExFindClick() {
    if (!EnPort(FSettings.NComPort)) {
        PortMessage();
        return;
    }
    if (FGroup.Count() != 0) return;
    FSession.SetActive(false);
    FSession.SetFound(false);
    FSession.SetSearchAddr(false);
    FSession.SetPortBaudRate(2400);
    FSession.SetTimeOutConstant(100);
    FSession.SetMax_Attempt(1);
    const bool opened = ActivateSession();
    SetProgBFrm(kAllSpeedSteps, kSearchAllCaption, false);
    if (opened && (OperState == osNone || OperState == osIdle)) {
        OperState = osSearchAllSpeeds;
        CurIndex = 1;
        FGroupMode = false;
        Probe(1);
        ShowModal();
        EndAutoRead();
        OperState = osIdle;
        FHost.RepaintMain();
    }
    FSession.SetActive(false);
    FSession.SetFound(false);
    FSession.SetSearchAddr(false);
    FSession.SetMax_Attempt(SessionMaxAttempt(FSettings.MaxAttempt));
    FSession.SetTimeOutConstant(FSettings.TOConstant);
    if (FGroup.Count() == 0) {
        FSession.SetPortBaudRate(FSettings.PrevBaudRate);
        if (!opened) PortMessage();
        FHost.UpdateControls();
        return;
    }
    FSettings.PortBaudRate = FSettings.PrevBaudRate = FSession.PortBaudRate();
    if (ActivateSession()) PresentAll();
    else PortMessage();
    FHost.UpdateControls();
}

void TEngine::OnSearchAllSpeeds(const TAnswer& a, std::uint32_t) {
    if (!a.Failure && a.Cmd == ansProbe) {
        FSettings.PortBaudRate = FSettings.PrevBaudRate = FSession.PortBaudRate();
        FBar = TProgressBar{};
        FBar.Max = kLastAddress - a.Adr;
        ShowBar();
        SetCaption(SearchCaption(0));
        OperState = osSearch;
        CurIndex = a.Adr;
        CurCell = 0;
        FSearchBase = a.Adr;
        FSearchMax = FBar.Max;
        return Probe(a.Adr);
    }
    if (!a.Failure) return;
    if (CurIndex < kLastAddress) {
        ++CurIndex;
        if (CurIndex == 127 || CurIndex == kLastAddress) StepIt();
        return Probe(CurIndex);
    }
    NextSearchSpeed();
}

// The line is exhausted at this speed: try the next one up.
void TEngine::NextSearchSpeed() {
    FSession.SetActive(false);
    FSession.SetFound(false);
    FSession.SetSearchAddr(false);
    switch (FSession.PortBaudRate()) {
        case 2400: FSession.SetTimeOutConstant(80); FSession.SetPortBaudRate(4800); break;
        case 4800: FSession.SetTimeOutConstant(50); FSession.SetPortBaudRate(9600); break;
        case 9600: FSession.SetPortBaudRate(19200); break;
        case 19200: FSession.SetPortBaudRate(38400); break;
        case 38400: FSession.SetPortBaudRate(57600); break;
        case 57600: FSession.SetPortBaudRate(115200); break;
        default:  // nothing found at any speed
            FSession.SetPortBaudRate(FSettings.PrevBaudRate);
            ActivateSession();
            return EndOper();
    }
    if (!ActivateSession()) return EndOper();
    CurIndex = 1;
    Probe(1);
}

}  // namespace pelko
