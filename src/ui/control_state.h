#pragma once
// Which menu items and buttons of the main window may be used, decided from
// the group, the card list's device and its view. The window applies the
// result to its widgets; nothing else decides enabled states.
#include <optional>
#include <string>

#include "config/program_settings.h"
#include "model/group_dev.h"

namespace pelko {

struct TControlState {
    // Device menu and its items.
    bool MenuDev = false;
    bool ResetDev = false;
    bool ChDevStandPas = false;
    bool OpenWithPas = false;
    bool ReadDevKeys = false;
    bool WriteDevKeys = false;
    bool SetDevParams = false;
    bool SetDevAddr = false;
    // Card buttons.
    bool ChView = false;
    bool ChStatusCard = false;
    bool AddCardBut = false;
    bool EditBut = false;
    bool DelCardBut = false;
    bool InverseSel = false;
    bool ReadCodeBut = false;
    // Device grid and toolbar.
    bool GridDevVisible = false;
    bool sbReadKeyDev = false;
    bool sbWriteKeyDev = false;
    bool sbAddDevGroup = false;
    bool sbDelDevGroup = false;
    // Status bar panel 0, when the rule sets it.
    std::optional<std::string> ViewText;

    bool operator==(const TControlState&) const = default;
};

inline constexpr char kMasterViewText[] = "Мастер-карты";
inline constexpr char kUserViewText[] = "Карты пользователей";

// Whether "Сбросить " may be used on the selected device.
bool EnReset(const TGroupDev& group, const ProgramSettings& settings);

// The rule applied to the current state; with no device selected the device
// menu and the card buttons keep what they had (before). listsEditable: the
// selected device's lists are edited as an opened device's are (no port: the
// edits stay in the program), whatever its state.
TControlState UpdateControlsRule(const TControlState& before, const TGroupDev& group, const TConfPelko& cur,
                                 bool masterView, const ProgramSettings& settings, bool listsEditable = false);

// The state with everything that needs the line taken away (the port is not open).
TControlState WithoutLine(TControlState s);

}  // namespace pelko
