#pragma once
// The serving loop of a pseudo-terminal line, shared by pelko-sim and the
// in-process service: one wait on the program's bytes, the next answer byte's
// time and the caller's own descriptors, then the line is served.
#include <poll.h>

#include <span>
#include <vector>

#include "sim/pty_line.h"
#include "sim/pty_server.h"
#include "sim/sim_line.h"

namespace pelko {

class PtyLoop {
public:
    PtyLoop(SimLine& line, PtyLine& pty, bool timing) : FLine(line), FPty(pty), FServer(line, pty, timing) {}

    // Waits until the program wrote, an answer byte is due or one of `extra`
    // is ready (their revents say which), then takes in what the program
    // wrote and sends the bytes due. False when the wait itself failed.
    bool Turn(std::span<pollfd> extra);

private:
    SimLine& FLine;
    PtyLine& FPty;
    PtyServer FServer;
    std::vector<pollfd> FFds;  // kept to spare an allocation per turn
};

}  // namespace pelko
