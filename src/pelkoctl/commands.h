#pragma once
// pelkoctl: one function per command. Each command lives in its own file and
// is listed once in commands.cpp.
#include <cstdint>
#include <string>
#include <vector>

namespace pelkoctl {

// Exit codes shared by every command.
enum Exit : int { kOk = 0, kNoAnswer = 1, kBadArgs = 2, kNoPort = 3, kIncomplete = 4, kDiffers = 5 };

// Options every command accepts; the positional words follow the command name.
struct Args {
    std::string port;            // --port PATH
    std::uint32_t baud = 9600;   // --baud N
    std::uint32_t attempts = 3;  // --attempts N
    bool attemptsGiven = false;  // --attempts on the command line
    std::uint32_t timeoutMs = 120;   // --timeout MS (read time-out constant)
    std::uint32_t multiplierMs = 1;  // --multiplier MS
    std::uint32_t tailUs = 400;      // --tail US
    bool rtsAuto = false;            // --rts auto: the converter switches direction itself
    std::string pass;            // --pass HEX (common password), empty = built-in
    std::string out;             // --out FILE
    std::string own;             // --own HEX: a controller's own password
    std::string passFile;        // --pass-file FILE ("-": standard input)
    std::string ownFile;         // --own-file FILE
    bool showPass = false;       // --show-pass: device lines carry the passwords
    bool trace = false;          // --trace: every attempt on standard error
    bool yes = false;            // --yes: go on where controllers could be lost
    std::string traceFile;       // --trace-file FILE: the same into a file
    std::string backupDir;       // --backup DIR: where cards are saved before write and reset erase them
    bool noBackup = false;       // --no-backup: erase without saving them (only with --yes)
    bool allCells = false;       // --all-cells: write reads back every cell, not only those that differ
    std::vector<std::string> words;  // positional arguments after the command
};

struct Command {
    const char* name;
    const char* usage;  // shown by the usage message
    int (*run)(const Args&);
};

const std::vector<Command>& commands();

// "pelkoctl: Не удалось открыть файл. PATH: нет такого файла или папки".
std::string OpenFailedText(const std::string& path, int error);

}  // namespace pelkoctl
