#pragma once
// What the command line asks of the program.
#include <string>
#include <vector>

#include "link/port_map.h"

namespace pelko {

struct TStartOptions {
    PortMap Ports;              // --port N=PATH, over the remembered choices
    std::vector<int> MappedPorts;
    bool Simulate = false;      // --simulate: controllers on an in-process line
    bool SimulateTiming = true; // the simulated line answers at its speed, as a wire does
    std::string FileName;       // a configuration file to open at start
    std::string Screenshot;     // --screenshot FILE: show the simulated line's controller 3, save the window, exit
};

// False with a message (and usage) for the user on a bad command line.
bool ParseStartOptions(const std::vector<std::string>& args, TStartOptions& options, std::string& error);
std::string StartUsage();

}  // namespace pelko
