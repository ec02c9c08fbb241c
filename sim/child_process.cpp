#include "sim/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

extern char** environ;

namespace pelko {

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    int in[2], out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_adddup2(&fa, in[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&fa, out[1], STDOUT_FILENO);
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    if (posix_spawn(&FPid, args[0], &fa, nullptr, args.data(), environ) != 0) FPid = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(in[0]);
    ::close(out[1]);
    FIn = in[1];
    FOut = out[0];
    ::signal(SIGPIPE, SIG_IGN);
}

ChildProcess::~ChildProcess() {
    CloseInput();
    if (FPid > 0) {
        ::kill(FPid, SIGTERM);
        ::waitpid(FPid, nullptr, 0);
    }
    if (FOut >= 0) ::close(FOut);
}

bool ChildProcess::Fill(int limitMs) {
    pollfd p{FOut, POLLIN, 0};
    if (::poll(&p, 1, limitMs) <= 0) return false;
    char buf[4096];
    const ssize_t n = ::read(FOut, buf, sizeof buf);
    if (n <= 0) {
        FEof = true;
        return false;
    }
    FBuf.append(buf, static_cast<std::size_t>(n));
    return true;
}

bool ChildProcess::ReadLine(std::string& line, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    for (;;) {
        const std::size_t nl = FBuf.find('\n');
        if (nl != std::string::npos) {
            line = FBuf.substr(0, nl);
            FBuf.erase(0, nl + 1);
            return true;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (FEof || left.count() <= 0 || !Fill(static_cast<int>(left.count()))) return false;
    }
}

void ChildProcess::WriteLine(const std::string& line) {
    const std::string s = line + "\n";
    if (FIn >= 0 && ::write(FIn, s.data(), s.size()) < 0) CloseInput();
}

void ChildProcess::CloseInput() {
    if (FIn >= 0) ::close(FIn);
    FIn = -1;
}

int ChildProcess::Finish(std::string* rest, int limitMs) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!FEof) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0 || (!Fill(static_cast<int>(left.count())) && !FEof)) break;
    }
    if (rest) *rest = FBuf;
    if (!FEof) ::kill(FPid, SIGKILL);
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FPid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int RunProgram(const std::vector<std::string>& argv, std::string& out) {
    ChildProcess p(argv);
    if (!p.Started()) return -1;
    p.CloseInput();
    return p.Finish(&out);
}

}  // namespace pelko
