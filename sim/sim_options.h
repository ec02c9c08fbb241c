#pragma once
// pelko-sim's command line.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/sim_controller.h"
#include "sim/sim_fault.h"

namespace pelko {

struct SimFaultOption {
    std::uint8_t adr = 0;
    SimFault fault;
};

struct SimOptions {
    std::vector<SimControllerSetup> controllers;  // none given: one at address 1
    std::uint64_t seed = 1;
    std::vector<SimFaultOption> faults;
    std::vector<std::pair<std::uint8_t, std::int64_t>> delays;  // --delay ADDR:MS
    bool timing = false;      // pace answers at the line speed
    bool echo = false;        // the converter hands every frame back
    std::int64_t adapterLatencyMs = 0;  // the program's USB adapter holds answers this long; 0 none
    bool log = false;         // every frame to standard error
    bool useStdin = true;     // control channel; its end stops the simulator
    bool help = false;
    bool version = false;
    bool demo = false;        // the window's demonstration controllers instead of --controllers
    SimCode password = kFactoryPassword;         // password controllers start with
    SimCode factoryPassword = kFactoryPassword;  // password a reset gives
    std::int64_t restartMs = kDefaultRestartUs / 1000;
    std::int64_t turnaroundUs = -1;  // -1: the line's default
};

// "3", "17@19200": address 1..254 and an optional line speed.
std::optional<SimControllerSetup> ParseControllerEntry(const std::string& text, const SimOptions& base);
// Ten hexadecimal digits, byte 0 first.
std::optional<SimCode> ParseHexCode(const std::string& text);
std::optional<std::uint8_t> ParseAddress(const std::string& text);
// An adapter's latency timer in ms: 0 (no adapter) to 255, as FTDI chips take.
std::optional<std::int64_t> ParseAdapterLatency(const std::string& text);

// False with a message on a bad argument. Controllers pick up the passwords
// and restart time given anywhere on the line.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& out, std::string& error);
const char* SimUsage();

}  // namespace pelko
