#pragma once
// The simulated line the program runs on with --simulate, served on a
// pseudo-terminal from a thread of its own, and the "Симулятор" menu that
// holds cards to its readers and unplugs its controllers.
#include <QObject>
#include <memory>
#include <string>

#include "sim/pty_service.h"
#include "sim/sim_line.h"

class QMenu;
class QMenuBar;

namespace pelko {

class TSimulatorMenu : public QObject {
public:
    // timing: answers go out byte by byte at the line speed, as on a wire.
    TSimulatorMenu(QObject* parent, bool timing);
    ~TSimulatorMenu() override;

    bool Start(std::string& error);
    std::string PortPath() const { return FService.SlavePath(); }
    SimLine& Line() { return *FLine; }
    void BuildMenu(QMenuBar* bar);

private:
    void FillCards(QMenu* menu);
    void FillPlugs(QMenu* menu, bool plugged);

    std::shared_ptr<SimLine> FLine;
    PtyService FService;
};

}  // namespace pelko
