// pelko-sim: simulated controllers on a pseudo-terminal. Prints the device
// path first, then serves until "quit", the end of standard input, SIGTERM or
// SIGINT.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "pelko_version.h"
#include "sim/demo_line.h"
#include "sim/pty_line.h"
#include "sim/pty_loop.h"
#include "sim/sim_control.h"
#include "sim/sim_line.h"
#include "sim/sim_options.h"

namespace {

using namespace pelko;

// Whoever started us may have left 0, 1 or 2 closed: the pseudo-terminal
// would take that number and the control channel would read the line's
// bytes. /dev/null there makes a closed input an ended one.
void FillStandardDescriptors() {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd)
        if (::fcntl(fd, F_GETFD) < 0) ::open("/dev/null", O_RDWR);  // takes the lowest free number: fd
}

int SignalFd() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGINT);
    sigprocmask(SIG_BLOCK, &set, nullptr);
    return signalfd(-1, &set, SFD_CLOEXEC);
}

void SetUp(SimLine& line, const SimOptions& o) {
    std::vector<SimControllerId> ids;
    if (o.demo) SetUpDemoLine(line);
    for (const auto& setup : o.controllers) ids.push_back(line.Add(setup));
    for (const auto& f : o.faults)
        for (SimControllerId id : line.FindByAdr(f.adr)) line.AddFault(id, f.fault);
    for (const auto& [adr, us] : o.delays)
        for (SimControllerId id : line.FindByAdr(adr))
            line.With(id, [us = us](SimController& c) { c.SetAnswerDelayUs(us); });
    if (o.turnaroundUs >= 0) line.SetTurnaroundUs(o.turnaroundUs);
    line.SetEcho(o.echo);
    line.SetAdapterLatencyUs(o.adapterLatencyMs * 1000);
    line.SetLogLimit(0);  // nobody reads it back; --log prints it as it happens
}

// Runs the complete lines of stdin's input; false when stdin has ended.
bool ReadControl(SimControl& control, std::string& pending) {
    char buf[512];
    const ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    if (n == 0) return false;
    pending.append(buf, static_cast<std::size_t>(n));
    for (std::size_t nl; (nl = pending.find('\n')) != std::string::npos && !control.QuitAsked();) {
        for (const std::string& reply : control.Run(pending.substr(0, nl))) std::cout << reply << '\n';
        std::cout.flush();
        pending.erase(0, nl + 1);
    }
    return true;
}

int Serve(SimLine& line, PtyLine& pty, const SimOptions& o) {
    SimControl control(line, o);
    control.SetLog(o.log);
    line.SetLogSink([&control](const SimLogEntry& e) {
        if (control.LogOn()) std::cerr << FormatLogEntry(e) << std::endl;
    });
    PtyLoop loop(line, pty, o.timing);
    const int sigfd = SignalFd();
    std::string pending;
    while (!control.QuitAsked()) {
        pollfd watch[2] = {{sigfd, POLLIN, 0}, {o.useStdin ? STDIN_FILENO : -1, POLLIN, 0}};
        if (!loop.Turn(watch)) return 1;
        if (watch[0].revents & POLLIN) break;
        if (watch[1].revents & (POLLIN | POLLHUP) && !ReadControl(control, pending)) break;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    FillStandardDescriptors();
    SimOptions options;
    std::string error;
    if (!ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << error << "\n\n" << SimUsage();
        return 2;
    }
    if (options.version) {
        std::cout << "pelko-sim " << PELKO_VERSION << '\n';
        return 0;
    }
    if (options.help) {
        std::cout << SimUsage();
        return 0;
    }
    PtyLine pty;
    if (!pty.Open(error)) {
        std::cerr << "Не могу открыть псевдотерминал: " << error << '\n';
        return 3;
    }
    SimLine line(std::make_shared<RealClock>(), options.seed);
    SetUp(line, options);
    std::cout << pty.SlavePath() << std::endl;
    return Serve(line, pty, options);
}
