#pragma once
// The simulated line the program runs on with --simulate, served on a
// pseudo-terminal from a thread of its own, and the "Симулятор" menu that
// holds cards to its readers and unplugs its controllers. Where there are no
// pseudo-terminals (Windows) port 1 is the line itself, in-process.
#include <QObject>
#include <memory>
#include <string>

#include "link/serial_port.h"
#include "sim/sim_line.h"

#ifndef PELKO_SIM_ON_PTY
#ifdef _WIN32
#define PELKO_SIM_ON_PTY 0
#else
#define PELKO_SIM_ON_PTY 1
#endif
#endif
#if PELKO_SIM_ON_PTY
#include "sim/pty_service.h"
#endif

class QMenu;
class QMenuBar;

namespace pelko {

class TSimulatorMenu : public QObject {
public:
    // timing: answers go out byte by byte at the line speed, as on a wire.
    TSimulatorMenu(QObject* parent, bool timing);
    ~TSimulatorMenu() override;

    bool Start(std::string& error);
    // What port 1 stands for while the simulation runs.
    std::string PortPath() const;
    // The session's opener: the real one, but for port 1 where the line is
    // served in-process.
    PortOpener Opener(PortOpener real) const;
    SimLine& Line() { return *FLine; }
    void BuildMenu(QMenuBar* bar);

private:
    void FillCards(QMenu* menu);
    void FillPlugs(QMenu* menu, bool plugged);

    std::shared_ptr<SimLine> FLine;
#if PELKO_SIM_ON_PTY
    PtyService FService;
#endif
};

}  // namespace pelko
