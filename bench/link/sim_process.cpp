#include "sim_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

namespace pelko::bench {

SimProcess::SimProcess(const std::string& program, const std::vector<std::string>& args) {
    int in[2], out[2];
    if (::pipe(in) != 0) return;
    if (::pipe(out) != 0) {
        ::close(in[0]);
        ::close(in[1]);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&FPid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(in[0]);
    ::close(out[1]);
    FIn = in[1];
    FOut = out[0];
    if (rc != 0) {
        FPid = -1;
        return;
    }
    char c = 0;
    std::string line;
    while (::read(FOut, &c, 1) == 1 && c != '\n') line += c;
    FPath = line;
}

SimProcess::~SimProcess() {
    if (FIn >= 0) ::close(FIn);  // end of input stops the simulator
    if (FPid > 0) {
        int status = 0;
        ::waitpid(FPid, &status, 0);
    }
    if (FOut >= 0) ::close(FOut);
}

std::string SimProgram() {
    if (const char* p = std::getenv("PELKO_SIM")) return p;
    return PELKO_SIM_DEFAULT;
}

}  // namespace pelko::bench
