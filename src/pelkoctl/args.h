#pragma once
// Command line of pelkoctl: COMMAND, options anywhere, positional words.
#include <string>

#include "pelkoctl/commands.h"

namespace pelkoctl {

struct ParsedLine {
    std::string command;  // empty with --help
    Args args;
    bool help = false;
    bool version = false;
};

// False with a message for the user in error when the line is malformed.
bool ParseCommandLine(int argc, const char* const* argv, ParsedLine& out, std::string& error);

// The usage text, listing every command of the table.
std::string UsageText();

}  // namespace pelkoctl
