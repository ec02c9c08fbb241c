#pragma once
// pelko-sim as a child process: started with its options, its pseudo-terminal
// path taken from its first output line, stopped when this object goes.
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include "sim/child_process.h"
#endif

namespace pelko::bench {

#ifdef _WIN32
// No pelko-sim here: whoever runs the benchmark serves the controllers the
// run expects on the port PELKO_BENCH_PORT names (COM1 under Wine).
class SimProcess {
public:
    SimProcess(const std::string&, const std::vector<std::string>&) {
        const char* port = std::getenv("PELKO_BENCH_PORT");
        FPath = port != nullptr ? port : "";
    }
    const std::string& Path() const { return FPath; }
    bool Control(const std::string&) { return false; }

private:
    std::string FPath;
};

inline std::string SimProgram() { return "PELKO_BENCH_PORT"; }
#else

class SimProcess {
public:
    // Empty Path() when the simulator could not be started.
    SimProcess(const std::string& program, const std::vector<std::string>& args);

    const std::string& Path() const { return FPath; }
    // One command on its control channel; true when it answered "ok".
    bool Control(const std::string& command);

private:
    ChildProcess FChild;
    std::string FPath;
};

// Where the build put pelko-sim, unless PELKO_SIM names another.
std::string SimProgram();
#endif

}  // namespace pelko::bench
