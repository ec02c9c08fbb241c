#pragma once
// TEngine: the operations a technician asks of the controllers, each with
// its parameters. The window asks its dialogs and questions first (see
// preflight.h) and then calls one of these; pelkoctl calls them with its
// arguments. A command returns at once: the caller runs its loop, handing
// in the session's events (TPelkoSession::Dispatch) and the clock's ticks
// (Tick, while Ticking), and each command ends with one OnDone to the
// observer and to its own done, carrying its result.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "engine/card_check.h"
#include "engine/engine_core.h"
#include "engine/op_chain.h"

namespace pelko {

struct TSettingsDialogValues;
struct TCardEdit;

// How a bulk write goes about it.
struct TWriteCardsHow {
    // The user agreed beforehand to go on where no backup can be made.
    bool withoutBackup = false;
    // Every cell is written and read back, as before the program learnt to
    // write only the cells that differ from what the controller holds.
    bool allCells = false;
};

// What the user said before a group change started.
struct TGroupAnswers {
    // Devices not open when the speed phase starts would keep their
    // speed: true drops them from the group and goes on; false keeps the
    // old speed (see DevicesAtRisk).
    bool dropClosed = true;
    // Blocks for devices whose parameters were never read, by address;
    // the program's defaults for the others.
    std::map<std::uint8_t, TDevConfig> params;
};

class TEngine {
public:
    // portProbe opens a port to see whether it can be used (EnPort).
    using TDone = TEngineCore::TDone;
    TEngine(TPelkoSession& session, TGroupDev& group, ProgramSettings& settings, EngineObserver& observer,
            PortOpener portProbe);
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;
    ~TEngine();

    // --- search ---
    // readCards: each controller found also has its cards read (the
    // window passes AutoReadKey).
    void Search(bool readCards, TDone done = {});           // every address at the program's speed
    void SearchAllSpeeds(bool readCards, TDone done = {});  // every speed until a controller answers; only with an empty group
    void SearchGroup(bool readCards, TDone done = {});      // the addresses of the group's devices, after a file was loaded

    // --- cards of whole devices ---
    void ReadCards(DevIndex device, TDone done = {});
    void ReadCardsOfAll(TDone done = {});  // every opened device
    // The cards are saved first (see backup_before_erase.h); a backup that
    // cannot be made ends the command with backupRefused, nothing written,
    // unless how.withoutBackup says the user agreed to go on without one.
    // Only the cells that differ from what the controller is known to hold
    // are written and read back; cells not known are read first (see
    // op_write_cards.h), unless how.allCells.
    void WriteCards(DevIndex device, TWriteCardsHow how = {}, TDone done = {});
    void WriteCardsOfAll(TWriteCardsHow how = {}, TDone done = {});
    // What the last bulk write found reading its cells back, per device.
    const std::vector<TCardCheck>& LastWriteChecks() const { return FWriteChecks; }

    // --- comparison with a controller (engine_compare.cpp) ---
    // Reads the device's cells; the model is not changed. The result's
    // checks hold the comparison.
    void CompareCards(DevIndex device, TDone done = {});
    // The model takes the controller's side for these cells.
    void TakeDeviceCells(DevIndex device, const std::vector<TCellDiff>& cells);
    // The controller takes the model's: the cells are written and read back.
    void WriteModelCells(DevIndex device, const std::vector<std::uint16_t>& cells, TDone done = {});

    // --- one device ---
    // Login with the password; on success the device is open, keeps it as
    // its password and its parameters are read. Failed when refused.
    void OpenWithPassword(DevIndex device, const TCode& password, TDone done = {});
    // Writes the parameter block (the speed stays the port's); a write whose
    // answer is lost is read back. Failed when the controller does not hold it.
    void WriteParameters(DevIndex device, const TDevConfig& block, TDone done = {});
    // The block an address change or a parameter edit starts from.
    TDevConfig ParametersOf(DevIndex device) const;
    // Moves the device to newAdr with its parameters, or with params where
    // they were never read. Failed when not moved.
    void ChangeAddress(DevIndex device, std::uint8_t newAdr, const std::optional<TDevConfig>& params,
                       TDone done = {});
    // Addresses an address change may offer: the device's own first, then
    // every address no device of the group holds.
    std::vector<std::uint8_t> FreeAddresses(DevIndex device) const;
    // Gives the device the program's common password. The answer comes
    // later; until then a second change is refused.
    void GiveCommonPassword(DevIndex device, TDone done = {}) {
        GivePassword(device, C.Settings.StandPass, std::move(done));
    }
    // The same with a password of its own. done hears once the outcome is
    // known: the controller's yes, or the check by login that follows
    // another answer (a command of its own, once the line is free).
    void GivePassword(DevIndex device, const TCode& newPass, TDone done = {});
    bool PassChangePending() const { return C.OutsidePending() || FPassCheck.has_value(); }
    // Reset and restore. restoreParams: the block a controller whose
    // parameters were never read is given back (asked before, see
    // preflight.h); the program's defaults when none. withoutBackup as for
    // WriteCards.
    void Reset(DevIndex device, const std::optional<TDevConfig>& restoreParams = std::nullopt,
               bool withoutBackup = false, TDone done = {});

    // --- the whole group (the program settings accepted) ---
    // Carries the settings' new common password and/or line speed into the
    // group's devices.
    void CarryIntoGroup(bool passwordChanged, bool speedChanged, const TGroupAnswers& answers = {},
                        TDone done = {});
    // The same for a new common password, or for a new line speed, alone.
    void CarryCommonPassword(const TCode& password, TDone done = {});
    void ChangeLineSpeed(std::int32_t baud, const TGroupAnswers& answers = {}, TDone done = {});
    // Devices a speed change would lose: not open, so they keep their speed.
    std::vector<DevIndex> DevicesAtRisk() const;
    // Program settings accepted in their dialog; a new password or speed
    // goes on into the group as CarryIntoGroup.
    void AcceptProgramSettings(const TSettingsDialogValues& values, const TGroupAnswers& answers = {},
                               TDone done = {});

    // --- card edits of the shown list (the selected device) ---
    // With AutoWriteKey on each is written into the controller and the model
    // follows its confirmations; off, only the model changes.
    // Each ends with its OnDone; the card to show is the chCards change's row.
    void AddCard(TDone done = {});
    void DeleteCard(int row, TDone done = {});  // the marked cards instead when any are marked
    void MoveCard(int row, std::uint16_t newCell, TDone done = {});
    void SwitchCardList(int row, TDone done = {});  // user card <-> master card
    void ChangeCardCode(int row, const TCode& code, TDone done = {});
    void SetCardUser(int row, const std::string& user);
    // The card of the row, or the marked ones, into another device.
    void CopyCardsTo(DevIndex target, int row, TDone done = {});
    // The edit applied to the device's model alone, never written, as the
    // model-only form of the commands above applies it (a spreadsheet
    // import's ReplaceList, an undo). Refused while an operation runs.
    void ApplyToModel(DevIndex device, const TCardEdit& edit, TDone done = {});
    // Takes the code of a card held to the selected device's reader into
    // the card of row.
    void CaptureCode(int row, TDone done = {});
    // Without the port (a file opened in the office) the edits change the
    // model only, whatever AutoWriteKey says.
    void SetModelOnly(bool on) { FModelOnly = on; }

    // Backups before erasing and the journal of changes; nullptr keeps none.
    void SetRecorder(ChangeRecorder* recorder) { C.Recorder = recorder; }

    // --- the caller's loop ---
    // The user's Cancel of the running command.
    void Cancel() { C.Cancel(); }
    // Every kTimerMs while Ticking(): waits inside a command run on it.
    void Tick() { C.Tick(); }
    bool Ticking() const { return C.Ticking(); }
    // A command is running: until its OnDone, further commands are refused.
    bool Busy() const;

    // --- state ---
    TOperState OperState() const { return C.State(); }
    // A request of the running operation is on the line.
    bool AwaitingAnswer() const { return C.Outstanding(); }
    // The list the card edits work on: master or user cards, and whether a
    // card (not the device) is the subject of Delete and capture.
    void ShowList(bool master, bool cardFocus) {
        C.MasterView = master;
        C.CardFocus = cardFocus;
    }
    bool MasterView() const { return C.MasterView; }
    TConfPelko& CurConf() { return C.CurConf(); }
    TConfPelko* SelectedDevice() { return C.SelectedDevice(); }
    const TProgressBar& Progress() { return C.Bar(); }
    std::uint16_t CellsConfirmed(std::uint8_t adr) const { return C.CellsDone[adr]; }
    void RefreshCardList() { C.RefreshCardList(); }
    bool EnPort(int port) { return C.EnPort(port); }
    void PortMessage() { C.PortMessage(); }

private:
    bool StartSearchSession();
    void AllSpeedsSearched(bool opened);
    void Failed();  // the open command ends, not done
    void RunSearch(int mode, std::uint8_t firstAdr, bool readCards);
    void ApplyInModel(TConfPelko& dev, const TCardEdit& edit);
    void RunCardEdit(std::unique_ptr<TOperation> op, int barMax, const char* caption, TEngineCore::TThen then = {});
    void ReportWriteChecks(const std::vector<TCardCheck>& checks);
    void WriteAfterBackup(DevIndex first, bool all, TWriteCardsHow how);
    void ResetAfterBackup(DevIndex device, const std::optional<TDevConfig>& restoreParams);

    // The device commands' chains (engine_device_cmds.cpp).
    void RunChain(TOperState state, TChainOp::Steps start);
    bool BeginDeviceCommand(TOperState state, DevIndex device, TDone& done);
    void ParamsHeld(std::uint8_t adr, const TDevConfig& block);
    void AddressUnsure(TChainOp& op, std::uint8_t adr, const TDevConfig& block);
    void AddressMoved(TChainOp& op, std::uint8_t adr, const TDevConfig& block);
    void PasswordTook(std::uint8_t adr, const TCode& newPass);
    void CheckPassWhenFree();
    struct TPassCheck {
        std::uint8_t adr;
        TCode oldPass;
        TCode newPass;
        TDone done;
    };
    std::optional<TPassCheck> FPassCheck;  // a password change to check by login

    bool WritesThrough() const { return C.Settings.AutoWriteKey && !FModelOnly; }

    TEngineCore C;
    bool FModelOnly = false;
    std::vector<TCardCheck> FWriteChecks;
};

}  // namespace pelko
