#pragma once
// A child program (pelko-sim, pelkoctl) for end-to-end tests and benchmarks:
// its standard input and output on pipes, read line by line with a safety
// limit so a broken build fails instead of hanging.
#include <sys/types.h>

#include <string>
#include <vector>

namespace pelko {

class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();  // SIGTERM and wait, if still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return FPid > 0; }
    // One line without its newline; false on end of output or after limitMs.
    bool ReadLine(std::string& line, int limitMs = 10'000);
    void WriteLine(const std::string& line);
    void CloseInput();
    // Everything until the child closes its output, then its exit code.
    int Finish(std::string* rest = nullptr, int limitMs = 30'000);

private:
    pid_t FPid = -1;
    int FIn = -1;   // child's stdin
    int FOut = -1;  // child's stdout
    std::string FBuf;
    bool FEof = false;
    bool Fill(int limitMs);
};

// Runs a program to its end and returns its exit code, its output in out.
int RunProgram(const std::vector<std::string>& argv, std::string& out);

}  // namespace pelko
