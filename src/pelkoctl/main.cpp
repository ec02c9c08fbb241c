// pelkoctl: the controller link from the command line, for scripts.
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "pelkoctl/args.h"
#include "pelkoctl/commands.h"
#include "pelkoctl/secrets.h"
#include "pelkoctl/terminal.h"
#include "pelko_version.h"

int main(int argc, char** argv) {
    using namespace pelkoctl;
    PrepareConsole(argc, argv);
    ParsedLine line;
    std::string error;
    if (!ParseCommandLine(argc, argv, line, error)) {
        std::cerr << "pelkoctl: " << error << "\n\n" << UsageText();
        return kBadArgs;
    }
    if (!line.help && !line.version &&
        !ResolvePasswords(line, [](const char* name) { return std::getenv(name); }, std::cin, error)) {
        std::cerr << "pelkoctl: " << error << "\n";
        return kBadArgs;
    }
    if (line.version) {
        std::cout << "pelkoctl " << PELKO_VERSION << "\n";
        return kOk;
    }
    if (line.help) {
        std::cout << UsageText();
        return kOk;
    }
    for (const Command& c : commands())
        if (line.command == c.name) return c.run(line.args);
    std::cerr << "pelkoctl: неизвестная команда " << line.command << "\n\n" << UsageText();
    return kBadArgs;
}
