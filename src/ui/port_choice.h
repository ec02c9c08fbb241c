#pragma once
// Which device each port number stands for: the command line first, then
// what the user chose in the settings dialog (remembered per user), then
// the serial port the number names by default.
#include <QString>
#include <set>

#include "link/port_map.h"

namespace pelko {

class TPortChoice {
public:
    // fixed: the command line's mappings, which the remembered ones never hide.
    TPortChoice(PortMap fixed, std::set<int> fixedPorts);

    QString PathFor(int port) const;
    // The settings dialog's choice for a port; remembered unless the command
    // line fixes that port for this run.
    void Choose(int port, const QString& path);
    // For this run only, over any choice (the simulated line).
    void Fix(int port, const QString& path);
    const PortMap& Map() const { return FMap; }

private:
    PortMap FMap;
    std::set<int> FFixed;
};

}  // namespace pelko
