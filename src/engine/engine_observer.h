#pragma once
// What the engine tells the program around it, as data: how far a command
// has got, what changed in the group, what the user should read, and the
// command's outcome. The window turns these into its widgets, pelkoctl into
// its lines, tests into assertions. Nothing here asks the user anything:
// questions are asked before a command starts.
#include <cstdint>
#include <string>
#include <vector>

#include "config/config_file_host.h"
#include "engine/card_check.h"
#include "engine/operation.h"
#include "engine/progress.h"

namespace pelko {

// The progress of the running command. shown false: the command no longer
// shows progress (it ended, or it runs without).
struct TProgress {
    TOperState op = osNone;
    std::string caption;
    TProgressBar bar;
    bool cancellable = true;  // Cancel stops it now; false while it must finish
    bool shown = false;
};

// A message for the user: a failure, or what a command left undone.
struct TNotice {
    std::string caption;
    std::string text;
    TMsgIcon icon = TMsgIcon::Warning;
};

// What changed, for the views that show it.
enum TChangeKind : unsigned {
    chDevices = 1,        // the group: devices, their states, names, passwords
    chDeviceParams = 2,   // the selected device's parameters
    chCards = 4,          // the shown card list
    chCurrentCard = 8,    // the card the inspector shows
    chState = 16,         // OperState or what the port allows
    chCodeToEdit = 32,    // the current card's code should be edited by hand
    chCardValues = 64,    // a code or name in the shown list, its rows the same
};

struct TChange {
    unsigned what = 0;
    int cardRow = -1;  // with chCards: the list index to show, -1 to keep
};

// How a command ended.
struct TCommandResult {
    TOperState op = osNone;
    bool started = false;    // something went on the line
    bool cancelled = false;  // the user cancelled it
    // A backup the command needed could not be made; nothing was erased.
    // Holds why, after the device's label.
    std::string backupRefused;
    std::vector<TNotice> notices;  // everything told on the way, in order
    // The cells a bulk write read back, or a comparison found, per device.
    std::vector<TCardCheck> checks;
    // Set by the command: it did not do what was asked (a login refused, a
    // block not taken), whether or not a notice says why.
    bool failed = false;
    bool ok = false;  // done as asked: not cancelled, not failed, nothing to tell
};

class EngineObserver {
public:
    virtual ~EngineObserver() = default;
    virtual void OnProgress(const TProgress&) {}
    virtual void OnNotice(const TNotice&) {}
    virtual void OnChanged(const TChange&) {}
    // An operation of the command is on the line: its caller's loop keeps
    // handing in events until OnDone.
    virtual void OnStarted(TOperState) {}
    virtual void OnDone(const TCommandResult&) {}
};

}  // namespace pelko
