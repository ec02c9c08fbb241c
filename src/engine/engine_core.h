#pragma once
// What every operation works with: the session, the group, the settings,
// the observer, the running command, and the requests on the line with the
// step of the operation that sent each. One operation runs at a time; its
// answers reach it through OnAnswer with the sending step. The caller owns
// the loop: it hands the session's events and the clock's ticks in, and
// learns of a command's end through the observer.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/program_settings.h"
#include "engine/change_recorder.h"
#include "engine/change_tally.h"
#include "engine/engine_observer.h"
#include "engine/operation.h"
#include "engine/progress.h"
#include "engine/request_bodies.h"
#include "engine/request_queue.h"
#include "link/pelko_session.h"
#include "link/serial_port.h"
#include "model/group_dev.h"

namespace pelko {

class TEngineCore {
public:
    TEngineCore(TPelkoSession& session, TGroupDev& group, ProgramSettings& settings, EngineObserver& observer,
                PortOpener portProbe);
    TEngineCore(const TEngineCore&) = delete;
    TEngineCore& operator=(const TEngineCore&) = delete;

    TPelkoSession& Session;
    TGroupDev& Group;
    ProgramSettings& Settings;
    EngineObserver& Observer;
    TRequestBodies Requests;

    // Backups and the journal of changes; none: nothing is kept.
    ChangeRecorder* Recorder = nullptr;
    TChangeTally Changes;
    // Hands what was changed since the last call to the journal.
    void JournalChanges(const std::string& operation);

    // The list the card edits work on; set by the caller with each edit.
    bool MasterView = false;  // master cards
    bool CardFocus = false;   // a card (not the device) is the subject

    // --- what goes out ---
    // A message for the user, kept in the command's result too.
    void Notice(const std::string& caption, const std::string& text, TMsgIcon icon);
    void Changed(unsigned what, int cardRow = -1) { Observer.OnChanged({what, cardRow}); }

    // --- the model ---
    TConfPelko* Device(std::uint8_t index) { return Group.GetDevice(index, nullptr); }
    TConfPelko* DeviceByAdr(std::uint8_t adr) { return Device(Group.IndexOfAdr(adr)); }
    TConfPelko* SelectedDevice();
    // The selected device, or an empty record while none is selected.
    TConfPelko& CurConf();
    std::string NameOf(std::uint8_t index);
    static std::uint8_t AdrOf(const TConfPelko& dev) { return dev.Config[kAdrByte]; }
    bool IsOpened(std::uint8_t index) const { return Group.GetState(index, dfOpened); }
    DevIndex FirstOpened() const;
    DevIndex FirstClosed() const;
    // "name (адрес N)" for messages.
    std::string DeviceLabel(std::uint8_t adr);
    // "Прибор: 3 (адрес 3) — не записаны ячейки 7, 12–14": cells of a
    // controller whose state the program could not confirm.
    // one/many: the words for one cell or several ("не записана" / "не записаны").
    void ReportCells(std::uint8_t adr, const char* one, const char* many, const std::vector<std::uint16_t>& cells);
    // Cells confirmed per address by the last bulk read or write.
    std::vector<std::uint16_t> CellsDone = std::vector<std::uint16_t>(256, 0);
    // The card list of the selected device changed; row: the index to show.
    void RefreshCardList(int row = -1) { Changed(chCards, row); }

    // --- the session ---
    bool EnPort(int port);
    void PortMessage();  // "COM порт N недоступен", and why where it is known
    bool ActivateSession();
    // Stops the worker; requests still queued are dropped, and so are the
    // answers the operation waited for.
    void CloseSession();
    bool RestartSession();
    // The worker restarted with the port at baud; false when it would not open.
    bool ReopenAt(std::int32_t baud);
    bool EnsureActive();  // active, or the port message
    void PresentAll();
    void SetPolling(bool on);

    // --- the command and its operations ---
    TOperState State() const;
    using TDone = std::function<void(const TCommandResult&)>;
    // Opens a command; it ends, with one OnDone, when End is called with no
    // operation running, or when its last operation ends.
    void Begin(TOperState op, TDone done);
    void End();
    bool CommandOpen() const { return FCommand; }
    // Runs after each command's end, e.g. a check that waited for the line.
    std::function<void()> AfterCommand;
    TCommandResult& Result() { return FResult; }
    // A command refused at once while another runs: only its own done hears.
    static void Refuse(TOperState op, const TDone& done);
    // What comes after an operation ends: cancelled tells whether the user
    // stopped it. It may start the command's next operation.
    using TThen = std::function<void(TOperation& op, bool cancelled)>;
    // Starts op as the open command's operation (opening one if none is);
    // returns at once. then runs once it ends.
    void Run(std::unique_ptr<TOperation> op, TThen then = {});
    bool Running(const TOperation& op) const { return FCurrent == &op; }
    // The user's Cancel: the request in flight is still answered and applied,
    // nothing further goes out.
    void Cancel();
    // The caller's clock, every kTimerMs while Ticking.
    void Tick();
    bool Ticking() const { return FCurrent != nullptr && FCurrent->Ticking(); }
    // Puts a request of the running operation's step on the line, or holds
    // it until the request before it is answered.
    void Request(const Bytes& body, int step);
    // A fast search of the addresses on the line; its result reaches the
    // step's OnScanned. Cancel stops it after the probe in flight.
    void RequestScan(const Bytes& addresses, int step);
    // Lets the line stay quiet as long as an answer takes; doubts it brings
    // out reach OnDoubt, then the step's OnQuiet.
    void RequestQuiet(int step);
    bool Outstanding() const { return FQueue.Outstanding(); }  // a request of the operation awaits its answer
    bool Idle() const { return FQueue.Idle(); }
    bool Cancelling() const { return FCancelling; }
    void EndOper();   // the operation ends; its then and the command's end follow
    void StopOper();  // after a failure: the worker restarts, polling resumes
    // A request outside any operation; its answer goes to onAnswer.
    void SendOutside(const Bytes& body, std::function<void(const TAnswer&)> onAnswer);
    bool OutsidePending() const { return FQueue.OutsidePending(); }

    // --- progress ---
    void SetProgBFrm(int Max, const std::string& Caption, bool Marquee);
    TProgressBar& Bar() { return FProgress.bar; }
    const std::string& Caption() const { return FProgress.caption; }
    void ShowBar() { Observer.OnProgress(FProgress); }
    void StepIt();
    void SetPosition(int p);
    void SetCaption(const std::string& text);
    void SetCancellable(bool on);

    // --- the session's events ---
    void OnAsyncAnswer(const Bytes& Answer, std::uint32_t Check);
    void OnReadCard(const Bytes& Answer);
    void OnDevOn(std::uint32_t AddrDevice);
    void OnDevOff(std::uint32_t AddrDevice);
    void OnTimer();
    void OnPortLost(const std::string& message);
    void OnScanDone(const Bytes& found, std::uint32_t Check);
    void OnScanProgress(std::uint32_t done, std::uint32_t total, std::uint32_t found);
    void OnDoubt(std::uint32_t Check);
    void OnQuiet(std::uint32_t Check);

private:
    // The next held request of the running operation, unless it ended or was cancelled.
    void ReleaseHeld();
    void Finish();  // forgets the operation and what it still waited for
    // After every call into the operation: an ended one is completed here,
    // once no frame of it is on the stack.
    void AfterOp();
    void Complete();
    void SettleDropped();

    PortOpener FPortProbe;
    std::string FPortError;
    TConfPelko FEmptyConf;
    TProgress FProgress;
    // Background polling is off only during a bulk transfer; the session
    // keeps the flag only while it has a worker.
    bool FPolling = true;

    TOperation* FCurrent = nullptr;
    std::unique_ptr<TOperation> FOwned;  // the running or just ended operation
    TThen FThen;
    std::string FTitle;  // of the running operation, for the journal
    bool FEnded = false;  // FOwned ended; Complete has not run yet
    bool FCancelled = false;
    bool FGreyedByCancel = false;
    bool FCommand = false;
    TCommandResult FResult;
    TDone FDone;
    std::uint64_t FSerial = 0;  // of the running operation
    bool FEverRan = false;
    bool FCancelling = false;  // Cancel pressed: waiting for the answer in flight
    TRequestQueue FQueue;
};

}  // namespace pelko
