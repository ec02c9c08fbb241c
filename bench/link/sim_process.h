#pragma once
// pelko-sim as a child process: started with its options, its pseudo-terminal
// path taken from its first output line, stopped by closing its input.
#include <sys/types.h>

#include <string>
#include <vector>

namespace pelko::bench {

class SimProcess {
public:
    // Empty Path() when the simulator could not be started.
    SimProcess(const std::string& program, const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    const std::string& Path() const { return FPath; }

private:
    pid_t FPid = -1;
    int FIn = -1;   // the simulator's standard input
    int FOut = -1;  // its standard output
    std::string FPath;
};

// Where the build put pelko-sim, unless PELKO_SIM names another.
std::string SimProgram();

}  // namespace pelko::bench
