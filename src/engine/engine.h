#pragma once
// TEngine: the operations a technician asks of the controllers, each with
// its parameters. The window asks its dialogs and questions first and then
// calls one of these; pelkoctl calls them with its arguments. An operation
// runs while the host's progress window is shown, driven by the answers the
// session delivers; only questions that depend on those answers (controllers
// that may be lost, the parameters of a controller being restored) are asked
// on the way.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/card_check.h"
#include "engine/engine_core.h"

namespace pelko {

struct TSettingsDialogValues;

class TEngine {
public:
    // portProbe opens a port to see whether it can be used (EnPort).
    TEngine(TPelkoSession& session, TGroupDev& group, ProgramSettings& settings, EngineHost& host,
            PortOpener portProbe);
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;
    ~TEngine();

    // --- search ---
    // readCards: each controller found also has its cards read (the
    // window passes AutoReadKey).
    void Search(bool readCards);           // every address at the program's speed
    void SearchAllSpeeds(bool readCards);  // every speed until a controller answers; only with an empty group
    void SearchGroup(bool readCards);      // the addresses of the group's devices, after a file was loaded

    // --- cards of whole devices ---
    void ReadCards(DevIndex device);
    void ReadCardsOfAll();  // every opened device
    void WriteCards(DevIndex device);
    void WriteCardsOfAll();
    // What the last bulk write found reading its cells back, per device.
    const std::vector<TCardCheck>& LastWriteChecks() const { return FWriteChecks; }

    // --- comparison with a controller (engine_compare.cpp) ---
    // Reads the device's cells; the model is not changed.
    TCardCheck CompareCards(DevIndex device);
    // The model takes the controller's side for these cells.
    void TakeDeviceCells(DevIndex device, const std::vector<TCellDiff>& cells);
    // The controller takes the model's: the cells are written and read back.
    TCardCheck WriteModelCells(DevIndex device, const std::vector<std::uint16_t>& cells);

    // --- one device ---
    // Login with the password; on success the device is open, keeps it as
    // its password and its parameters are read. False when refused.
    bool OpenWithPassword(DevIndex device, const TCode& password);
    // Writes the parameter block (the speed stays the port's); a write whose
    // answer is lost is read back. False when the controller does not hold it.
    bool WriteParameters(DevIndex device, const TDevConfig& block);
    // The block an address change or a parameter edit starts from.
    TDevConfig ParametersOf(DevIndex device) const;
    // Moves the device to newAdr with its parameters, or with params where
    // they were never read. False when not moved.
    bool ChangeAddress(DevIndex device, std::uint8_t newAdr, const std::optional<TDevConfig>& params);
    // Addresses an address change may offer: the device's own first, then
    // every address no device of the group holds.
    std::vector<std::uint8_t> FreeAddresses(DevIndex device) const;
    // Gives the device the program's common password. The answer comes
    // later; until then a second change is refused.
    void GiveCommonPassword(DevIndex device) { GivePassword(device, C.Settings.StandPass); }
    // The same with a password of its own.
    void GivePassword(DevIndex device, const TCode& newPass);
    bool PassChangePending() const { return C.OutsidePending(); }
    void Reset(DevIndex device);

    // --- the whole group (the program settings accepted) ---
    // Carries the settings' new common password and/or line speed into the
    // group's devices; asks before dropping devices that would be lost.
    void CarryIntoGroup(bool passwordChanged, bool speedChanged);
    // The same for a new common password, or for a new line speed, alone.
    void CarryCommonPassword(const TCode& password);
    void ChangeLineSpeed(std::int32_t baud);
    // Devices a speed change would lose: not open, so they keep their speed.
    std::vector<DevIndex> DevicesAtRisk() const;
    // Program settings accepted in their dialog.
    void AcceptProgramSettings(const TSettingsDialogValues& values);

    // --- card edits of the shown list (the selected device) ---
    // With AutoWriteKey on each is written into the controller and the model
    // follows its confirmations; off, only the model changes.
    void AddCard();
    void DeleteCard(int row);  // the marked cards instead when any are marked
    void MoveCard(int row, std::uint16_t newCell);
    void SwitchCardList(int row);  // user card <-> master card
    void ChangeCardCode(int row, const TCode& code);
    void SetCardUser(int row, const std::string& user);
    // The card of the row, or the marked ones, into another device.
    // Refusals ("не хватает свободных ячеек") are the caller's to show.
    void CopyCardsTo(DevIndex target, int row);
    // Takes the code of a card held to the selected device's reader.
    void CaptureCode();
    // Without the port (a file opened in the office) the edits change the
    // model only, whatever AutoWriteKey says.
    void SetModelOnly(bool on) { FModelOnly = on; }

    // Backups before erasing and the journal of changes; nullptr keeps none.
    void SetRecorder(ChangeRecorder* recorder) { C.Recorder = recorder; }

    // --- state ---
    TOperState OperState() const { return C.State(); }
    // A request of the running operation is on the line.
    bool AwaitingAnswer() const { return C.Outstanding(); }
    bool& MasterView() { return C.MasterView; }
    bool& CardFocus() { return C.CardFocus; }
    TConfPelko& CurConf() { return C.CurConf(); }
    TConfPelko* SelectedDevice() { return C.SelectedDevice(); }
    const TProgressBar& Progress() { return C.Bar(); }
    std::uint16_t CellsConfirmed(std::uint8_t adr) const { return C.CellsDone[adr]; }
    void RefreshCardList() { C.RefreshCardList(); }
    bool EnPort(int port) { return C.EnPort(port); }
    void PortMessage() { C.PortMessage(); }

private:
    bool Busy() const;
    bool AddressOneTaken(DevIndex device);
    bool StartSearchSession();
    void RunSearch(int mode, std::uint8_t firstAdr, bool readCards);
    void RunCardEdit(TOperation& op, int barMax, const char* caption);
    void ReportWriteChecks(const std::vector<TCardCheck>& checks);

    bool WritesThrough() const { return C.Settings.AutoWriteKey && !FModelOnly; }

    TEngineCore C;
    bool FModelOnly = false;
    std::vector<TCardCheck> FWriteChecks;
};

}  // namespace pelko
