#pragma once
// A link session on the port named by --port, set up from the common
// options, with a loop that raises its events on the calling thread.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "link/pelko_session.h"
#include "pelkoctl/commands.h"
#include "pelkoctl/line_notes.h"
#include "pelkoctl/trace.h"

namespace pelkoctl {

// Whatever the port number, the device is the one given with --port.
pelko::PortOpener OpenExactly(const std::string& path);

class CliSession {
public:
    // found: run the worker's start-up scan of addresses 1..254.
    CliSession(const Args& args, bool found);
    ~CliSession();

    pelko::TPelkoSession& session() { return FSession; }
    // The session's own opener, for whatever else opens the port: a notice
    // the port gives is said once for both.
    const pelko::PortOpener& opener() const { return FOpener; }
    // Opens the port. On failure prints why and returns the exit code to
    // use (kBadArgs without --port, kNoPort); kOk on success.
    int Open();
    // Raises the session's events here until done() holds. False when the
    // line has been quiet for longer than any exchange can take: something
    // that should have answered never will, and a script must not hang.
    bool RunUntil(const std::function<bool()>& done);
    // Why RunUntil gave up, for the user.
    std::string StallMessage() const;
    // The port went away (an unplugged adapter): RunUntil gives up at once,
    // and the command ends with kNoAnswer and this message.
    bool PortLost() const { return !FSession.PortLostMessage().empty(); }

private:
    void Notified();
    void DrainNotes();

    const Args FArgs;
    std::mutex FLock;
    std::condition_variable FCond;
    bool FPending = false;
    std::chrono::milliseconds FStallLimit;
    std::unique_ptr<Trace> FTrace;  // only with --trace or --trace-file
    // Without a trace the notes read the exchanges from a log of their own.
    std::shared_ptr<pelko::ExchangeLog> FNotesLog;
    LineNotes FNotes;
    pelko::PortOpener FOpener;
    pelko::TPelkoSession FSession;
};

}  // namespace pelkoctl
