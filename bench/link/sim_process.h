#pragma once
// pelko-sim as a child process: started with its options, its pseudo-terminal
// path taken from its first output line, stopped when this object goes.
#include <string>
#include <vector>

#include "sim/child_process.h"

namespace pelko::bench {

class SimProcess {
public:
    // Empty Path() when the simulator could not be started.
    SimProcess(const std::string& program, const std::vector<std::string>& args);

    const std::string& Path() const { return FPath; }

private:
    ChildProcess FChild;
    std::string FPath;
};

// Where the build put pelko-sim, unless PELKO_SIM names another.
std::string SimProgram();

}  // namespace pelko::bench
