#include "sim_process.h"

#include <cstdlib>

namespace pelko::bench {
namespace {

std::vector<std::string> Command(const std::string& program, const std::vector<std::string>& args) {
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    return argv;
}

}  // namespace

SimProcess::SimProcess(const std::string& program, const std::vector<std::string>& args)
    : FChild(Command(program, args)) {
    if (FChild.Started() && !FChild.ReadLine(FPath)) FPath.clear();
}

bool SimProcess::Control(const std::string& command) {
    FChild.WriteLine(command);
    std::string reply;
    return FChild.ReadLine(reply) && reply == "ok";
}

std::string SimProgram() {
    if (const char* p = std::getenv("PELKO_SIM")) return p;
    return PELKO_SIM_DEFAULT;
}

}  // namespace pelko::bench
