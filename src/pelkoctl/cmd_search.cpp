// pelkoctl search / search-all: the engine's device search, at the current
// speed or over every speed.
#include <iostream>

#include "pelkoctl/engine_cli.h"

namespace pelkoctl {

int cmdSearch(const Args& args) {
    if (!args.words.empty()) {
        std::cerr << "pelkoctl: у команды search нет аргументов\n";
        return kBadArgs;
    }
    EngineCli cli(args);
    if (const int rc = cli.Open(); rc != kOk) return rc;
    cli.Run([&](pelko::TEngine::TDone done) { cli.engine().Search(false, done); });
    cli.PrintDevices(std::cout);
    if (cli.Stalled()) return cli.Verdict(kIncomplete);
    return cli.Verdict(cli.group().Count() > 0 ? kOk : kNoAnswer);
}

int cmdSearchAll(const Args& args) {
    if (!args.words.empty()) {
        std::cerr << "pelkoctl: у команды search-all нет аргументов\n";
        return kBadArgs;
    }
    EngineCli cli(args);
    if (const int rc = cli.Open(); rc != kOk) return rc;
    cli.Run([&](pelko::TEngine::TDone done) { cli.engine().SearchAllSpeeds(false, done); });
    const bool none = cli.group().Count() == 0;
    if (none) {
        std::cout << "speed none\n";
    } else {
        std::cout << "speed " << cli.session().PortBaudRate() << "\n";
        cli.PrintDevices(std::cout);
    }
    if (cli.Stalled()) return cli.Verdict(kIncomplete);
    return cli.Verdict(none ? kNoAnswer : kOk);
}

}  // namespace pelkoctl
