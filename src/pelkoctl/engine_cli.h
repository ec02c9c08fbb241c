#pragma once
// The operations engine on the line named by --port, without a window:
// settings from the common options, notices on standard error, a progress
// bar there when it is a terminal. Each engine command runs to its end on
// the terminal's loop and hands back its result.
#include <functional>
#include <ostream>
#include <string>

#include "config/program_settings.h"
#include "engine/engine.h"
#include "engine/file_change_recorder.h"
#include "engine/preflight.h"
#include "model/group_dev.h"
#include "pelkoctl/cli_recorder.h"
#include "pelkoctl/cli_session.h"
#include "pelkoctl/commands.h"

namespace pelkoctl {

class EngineCli : public pelko::EngineObserver {
public:
    explicit EngineCli(const Args& args);
    ~EngineCli() override;

    // Checks --pass and opens the port; kOk or the exit code to use.
    int Open();

    pelko::TEngine& engine() { return FEngine; }
    pelko::TGroupDev& group() { return FGroup; }
    pelko::ProgramSettings& settings() { return FSettings; }
    pelko::TPelkoSession& session() { return FCli.session(); }
    CliRecorder& recorder() { return FCliRecorder; }
    // Where the configuration file's messages go; its questions take --yes.
    pelko::ConfigFileHost& fileBoxes() { return FBoxes; }

    // Starts one engine command (command calls it with the done it is
    // given) and runs the loop until it ends: the line's answers, and the
    // clock while the command waits on it. A stalled line cancels it.
    pelko::TCommandResult Run(const std::function<void(pelko::TEngine::TDone)>& command);
    bool Stalled() const { return FStalled; }

    // A lost port (the engine has named it) ends any command with kNoAnswer.
    int Verdict(int rc) const { return FCli.PortLost() ? kNoAnswer : rc; }

    // "device ADR STATE=<decimal> CONFIG=<10 hex> PASS=<10 hex>", group order;
    // the password is masked unless --show-pass; CONFIG=? for a controller
    // that answered but whose parameters could not be read.
    void PrintDevices(std::ostream& out);

    // The engine's observer.
    void OnProgress(const pelko::TProgress& progress) override;
    void OnNotice(const pelko::TNotice& notice) override;

private:
    class Boxes : public pelko::ConfigFileHost {
    public:
        explicit Boxes(bool yes) : FYes(yes) {}
        void ShowMessage(const std::string& caption, const std::string& text, pelko::TMsgIcon icon) override;
        bool AskYesNo(const std::string& caption, const std::string& text, pelko::TMsgIcon icon) override;
        void GroupDiscarded() override {}
        void GroupMarkedForSave() override {}
        void RestartSessionAtSpeed(std::int32_t) override {}
        void RestartSessionWithPortSettings(const pelko::ProgramSettings&) override {}
        void SetDevPresent(std::uint8_t) override {}

    private:
        bool FYes;
    };

    const Args FArgs;
    CliSession FCli;
    pelko::ProgramSettings FSettings;
    pelko::TGroupDev FGroup;
    Boxes FBoxes;
    bool FStalled = false;
    // Journal of changes in the user's state folder; backups only with --backup.
    pelko::FileChangeRecorder FRecorder;
    CliRecorder FCliRecorder{FRecorder};
    pelko::TEngine FEngine;
    bool FTerminal = false;
    int FShownPercent = -1;
    std::string FShownCaption;
};

// What stands in a device line for a password not shown.
inline constexpr const char* kMaskedPass = "**********";

std::string DeviceLine(const pelko::TConfPelko& dev, bool showPass);

// The window asks before a command erases cards; here the cards are saved
// first (into the window's backups folder, or --backup DIR), and without a
// backup (--no-backup) it goes on only with --yes: otherwise it says what
// would have been erased and that nothing was written.
bool EraseAllowed(const pelko::TPreflight& preflight, const Args& args);
// A backup could not be made: the engine erased nothing; says why and
// which flag goes on without it. True then.
bool BackupRefused(const pelko::TCommandResult& result);

// Opens the port, loads the configuration file and finds its group on the
// line without reading cards into it: the file is what is written or
// compared. kOk or the exit code.
int OpenFileGroup(EngineCli& cli, const std::string& path);

}  // namespace pelkoctl
