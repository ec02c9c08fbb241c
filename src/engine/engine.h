#pragma once
// TEngine: every multi-step operation on the controllers. A starter prepares
// the first request and shows the progress window modally; the answers come
// back through PelkoSession1AsyncAnswer, which drives the operation on to its
// end. One operation at a time, all on the main thread.
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/program_settings.h"
#include "engine/engine_host.h"
#include "engine/oper_context.h"
#include "engine/progress.h"
#include "engine/request_bodies.h"
#include "link/pelko_session.h"
#include "link/serial_port.h"
#include "model/group_dev.h"

namespace pelko {

struct TSettingsDialogValues;

class TEngine : public TOperContext {
public:
    // portProbe opens a port to see whether it can be used (EnPort).
    TEngine(TPelkoSession& session, TGroupDev& group, ProgramSettings& settings, EngineHost& host,
            PortOpener portProbe);
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;
    ~TEngine();

    // Window state the operations read.
    bool MasterView = false;  // the card list shows master cards
    bool CardFocus = false;   // the inspector shows the current card
    // The device whose cards the card list shows: the selected device, or an
    // empty record while none is selected. Resolved on every call, so it can
    // never name a device that has left the group.
    TConfPelko& CurConf();
    TConfPelko* SelectedDevice();

    TRequestBodies Requests;
    const TProgressBar& Progress() const { return FBar; }
    const std::string& ProgressText() const { return FCaption; }
    // Cells confirmed per address by the last bulk read or write.
    std::uint16_t CellsConfirmed(std::uint8_t adr) const { return FCellsDone[adr]; }

    // Session events.
    void PelkoSession1AsyncAnswer(const Bytes& Answer, std::uint32_t Check);
    void PelkoSession1ReadCard(const Bytes& Answer);
    void PelkoSession1DevOn(std::uint32_t AddrDevice);
    void PelkoSession1DevOff(std::uint32_t AddrDevice);
    void PelkoSession1PortLost(const std::string& Message);
    void Timer1Timer();

    bool EnPort(int port);
    // "COM порт N недоступен", and why where it is known.
    void PortMessage();
    void StopOper();
    void SetProgBFrm(int Max, const std::string& Caption, bool Marquee);

    // Search.
    void SpButFindClick();
    void SpButExFindClick();
    void GroupSearch();  // after a configuration file was loaded
    // Cards.
    void ReadDevKeysClick();
    void sbReadKeyDevClick();
    void WriteDevKeysClick();
    void sbWriteKeyDevClick();
    // Device menu.
    void SetDevParamsClick();
    void OpenWithPasClick();
    void ChDevStandPasClick();
    void SetDevAddrClick();
    void ResetDevClick();
    // Card code capture.
    void ReadCodeButClick();
    // The card edits written into the selected device (AutoWriteKey on); the
    // window checks the edit first and changes the model itself when off.
    void WriteNewCard(std::uint16_t cell);
    void EraseCard(int row);
    void EraseMarkedCards();
    void MoveCardTo(int row, std::uint16_t newCell);
    void ChangeCardCode(int row, const TCode& code);
    void CopyCardTo(std::uint8_t targetIndex, int row, std::uint16_t cell);
    void CopyMarkedCardsTo(std::uint8_t targetIndex);
    // Program settings accepted in their dialog.
    void AcceptProgramSettings(const TSettingsDialogValues& values);
    bool NeedsStandPass(std::uint8_t i);
    // A "give the common password" change still waits for its answer.
    bool PassChangePending() const { return FStandPassCheck.has_value(); }
    // The card list's rows follow CurConf's shown list.
    void RefreshCardList();

private:
    using Handler = void (TEngine::*)(const TAnswer&, std::uint32_t);
    struct StateHandler {
        TOperState state;
        Handler handler;
    };
    static const StateHandler kDispatchOrder[];

    // Requests. Queue holds a request while another is on the line; Send
    // puts it on the line at once.
    std::uint32_t Queue(const Bytes& body);
    std::uint32_t Send(const Bytes& body);
    bool Outstanding() const;  // a request of this operation awaits its answer
    void ReleaseHeld();
    void Probe(std::uint8_t adr) { Queue(Requests.Probe(adr)); }
    void Login(std::uint8_t adr, const TCode& pass);
    void ReadCell(std::uint8_t adr, std::uint16_t cell) { Queue(Requests.ReadCard(adr, cell)); }
    std::uint32_t WriteCellCode(std::uint8_t adr, std::uint16_t cell, const TCode& code) {
        return Queue(Requests.WriteCard(adr, cell, code));
    }
    void ReadConfig(std::uint8_t adr) { Queue(Requests.ReadConfig(adr)); }

    // Helpers over the group and the window.
    TConfPelko* Device(std::uint8_t index) { return FGroup.GetDevice(index, nullptr); }
    TConfPelko* DeviceByAdr(std::uint8_t adr) { return Device(FGroup.IndexOfAdr(adr)); }
    std::string NameOf(std::uint8_t index);
    std::uint8_t AdrOf(const TConfPelko& dev) const { return dev.Config[kAdrByte]; }
    bool IsOpened(std::uint8_t index) const { return FGroup.GetState(index, dfOpened); }
    DevIndex FirstOpened() const;
    DevIndex FirstClosed() const;
    void PresentAll();
    bool RestartSession();
    bool ActivateSession();
    bool EnsureActive();
    void SetPolling(bool on);
    void EndOper();  // closes the progress window and goes idle
    TModalResult ShowModal();
    void ShowBar() { FHost.ProgressBar(FBar); }
    void StepIt();
    void SetPosition(int p);
    void SetCaption(const std::string& text);
    void AskDeviceParams(const std::string& caption);

    // Search.
    bool StartSearchSession();
    void RunSearch(std::uint8_t firstAdr);
    void StartAutoRead(std::uint8_t adr, std::uint8_t index);
    void OnSearch(const TAnswer& a, std::uint32_t check);
    void OnSearchAllSpeeds(const TAnswer& a, std::uint32_t check);
    void SearchNext();
    void SearchNextInGroup();
    void NextSearchSpeed();
    void EndAutoRead();
    // Reading.
    void StoreReadCard(TConfPelko& dev, std::uint16_t cell, const TCode& code);
    void OnReadSelected(const TAnswer& a, std::uint32_t check);
    void OnReadAll(const TAnswer& a, std::uint32_t check);
    void EndReadSelected();
    void ReadNextDevice();
    void ReadCellOf(std::uint8_t index);
    // Bulk writes.
    void WriteDeviceCell(TConfPelko& dev, std::uint16_t cell);
    void OnWriteBulk(const TAnswer& a, std::uint32_t check);
    void WriteNextKey();
    void WriteNextDevKeys();
    void StartDeviceWrite(std::uint8_t index);
    // Card edits.
    TConfPelko* PrepareEdit();
    bool EditLogin(const TAnswer& a, bool refusalStops);
    void OneCardEditFailed();
    void OnWriteCard(const TAnswer& a, std::uint32_t check);
    void OnEraseCard(const TAnswer& a, std::uint32_t check);
    void OnEraseSelected(const TAnswer& a, std::uint32_t check);
    void OnMoveCard(const TAnswer& a, std::uint32_t check);
    void OnChangeCode(const TAnswer& a, std::uint32_t check);
    void OnCopyCard(const TAnswer& a, std::uint32_t check);
    void OnCopyCards(const TAnswer& a, std::uint32_t check);
    void ChangeCodeConfirmed();
    void CopyNextMarked();
    std::uint16_t FreeCellFrom(const TConfPelko& dev, std::uint16_t from) const;
    bool CardAt(int row, TCard& card);
    // Device commands.
    bool SyncLogin(std::uint8_t adr, const TCode& pass);
    bool SyncWriteConfig(std::uint8_t adr, const TDevConfig& block);
    void OnStandPassAnswer(const TAnswer& a);
    // Reset.
    void OnReset(const TAnswer& a, std::uint32_t check);
    void ResetTimerTick();
    void ResetFailed(const char* text, bool opened = false);
    void ResetLoggedIn();
    void ResetConfigWritten();
    void ResetRestartWait();
    void ResetAtFactory();
    void ResetConfigLost();
    void ResetPassUnsure();
    // Common password and speed.
    void OnSetStandPass(const TAnswer& a, std::uint32_t check);
    void OnSetSpeed(const TAnswer& a, std::uint32_t check);
    void CarryIntoDevices(bool passwordChanged, bool speedChanged);
    void RunPasswordPhase();
    void PassPhaseNext();
    void PassPhaseDone();
    bool StartSpeedPhase(bool fromAnswer);
    void SpeedPhaseEmpty(bool fromAnswer);
    void SpeedLoggedIn(const TAnswer& a);
    void SpeedDeviceDone();
    void LoginNextDevice();
    void FinishSpeedPhase();
    void ShowModalPhase();
    void DropClosedDevices();
    std::string DeviceLabel(std::uint8_t adr);
    int CheckPassChange(std::uint8_t adr, const TCode& oldPass, const TCode& newPass);
    void ReportPassUnsure();
    void QueuePassChange(std::uint8_t adr);

    TPelkoSession& FSession;
    TGroupDev& FGroup;
    ProgramSettings& FSettings;
    EngineHost& FHost;
    PortOpener FPortProbe;
    std::string FPortError;  // why the port could not be opened last time

    TConfPelko FEmptyConf;
    TProgressBar FBar;
    std::string FCaption;
    std::vector<std::uint16_t> FCellsDone = std::vector<std::uint16_t>(256, 0);

    // Background polling is off only during a bulk transfer. The session
    // keeps the flag only while it has a worker, so it is put back whenever
    // a worker starts or an operation begins.
    bool FPolling = true;
    // Answers to requests queued before an operation ended or was cancelled
    // belong to no operation: Checks below FFreshFrom are dropped.
    std::uint32_t FNextCheck = 0;
    std::uint32_t FFreshFrom = 0;
    // The address each queued request went to, by Check, until answered.
    std::map<std::uint32_t, std::uint8_t> FExpectAdr;
    bool FCancelling = false;  // Cancel pressed: waiting for the answer in flight
    std::deque<Bytes> FHeld;   // requests waiting for the one on the line

    bool FGroupMode = false;      // the search probes the group's devices only
    int FSearchBase = 0;          // first address of a search continued after the all-speed probe
    int FSearchMax = 0;           // the search's own bar, kept while a device's cards are read
    int FSearchPos = 0;
    bool FAutoReading = false;    // the search reads a device's cards
    // How far the reset got: which exchange a failure answer belongs to.
    enum class ResetStep { Reset, Restore, Password };
    ResetStep FResetStep = ResetStep::Reset;
    bool FResetUnacked = false;     // the reset's acknowledgement never came
    bool FResetConfigSent = false;  // the restore's configuration write is on the line
    // A password change queued outside any operation (ChDevStandPasClick).
    std::optional<std::uint32_t> FStandPassCheck;
    std::uint8_t FStandPassAdr = 0;
    int FSpeedBase = 0;  // bar position where the speed phase began
    bool FPassChanging = false;  // the password phase's request on the line is a change
    // The speed phase's outcome per address: blocks confirmed written, and
    // blocks sent whose answer was lost.
    bool FSpeedRunning = false;
    bool FSpeedWriting = false;
    std::int32_t FSpeedFrom = 0;
    std::map<std::uint8_t, TDevConfig> FSpeedMoved;
    std::map<std::uint8_t, TDevConfig> FSpeedUnsure;
    std::vector<std::string> FPhaseUnsure;  // password changes that could not be checked
    TCode FStandPassNew = ZeroCode;
    TCode FStandPassOld = ZeroCode;
};

}  // namespace pelko
