// pelkoctl scan: the worker's start-up scan of addresses 1..254.
#include <iostream>
#include <set>

#include "pelkoctl/cli_session.h"
#include "pelkoctl/commands.h"

namespace pelkoctl {

int cmdScan(const Args& args) {
    if (!args.words.empty()) {
        std::cerr << "pelkoctl: у команды scan нет аргументов\n";
        return kBadArgs;
    }
    CliSession cli(args, true);
    std::set<std::uint32_t> found;
    std::uint32_t probed = 0;
    cli.session().OnSearchAddr = [&](std::uint32_t adr, bool answered) {
        ++probed;
        if (answered) found.insert(adr);
    };
    if (const int rc = cli.Open(); rc != kOk) return rc;
    const bool complete = cli.RunUntil([&] { return probed == 254; });
    cli.session().SetActive(false);
    if (!complete) {
        std::cerr << "pelkoctl: порт перестал отвечать, поиск не завершён\n";
        for (std::uint32_t adr : found) std::cout << adr << "\n";
        return kIncomplete;
    }
    for (std::uint32_t adr : found) std::cout << adr << "\n";
    return kOk;
}

}  // namespace pelkoctl
