// pelkoctl scan: the worker's start-up scan of addresses 1..254 (the fast search).

#include <iostream>
#include <set>
#include <string>

#include "pelkoctl/cli_session.h"
#include "pelkoctl/commands.h"
#include "pelkoctl/terminal.h"

namespace pelkoctl {
namespace {

constexpr int kBarWidth = 30;

// One line redrawn in place, as the engine's commands show their progress.
void ShowProgress(std::uint32_t done, std::uint32_t total, std::uint32_t found) {
    const auto percent = static_cast<int>(total > 0 ? done * 100 / total : 0);
    const int filled = percent * kBarWidth / 100;
    std::cerr << "\r\033[K[" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kBarWidth - filled), '.') << "] " << percent
              << "% Поиск устройств: проверено адресов " << done << " из " << total << ", найдено " << found
              << std::flush;
}

}  // namespace

int cmdScan(const Args& given) {
    if (!given.words.empty()) {
        std::cerr << "pelkoctl: у команды scan нет аргументов\n";
        return kBadArgs;
    }
    // One attempt per address, as the program's own search makes.
    Args args = given;
    if (!args.attemptsGiven) args.attempts = 1;
    const bool terminal = StderrIsTerminal();
    CliSession cli(args, true);
    std::set<std::uint32_t> found;
    std::uint32_t probed = 0;
    bool shown = false;
    cli.session().OnScanProgress = [&](std::uint32_t done, std::uint32_t total, std::uint32_t n) {
        shown = true;
        if (terminal) ShowProgress(done, total, n);
    };
    cli.session().OnSearchAddr = [&](std::uint32_t adr, bool answered) {
        ++probed;
        if (answered) found.insert(adr);
    };
    if (const int rc = cli.Open(); rc != kOk) return rc;
    const bool complete = cli.RunUntil([&] { return probed == 254; });
    cli.session().SetActive(false);
    if (terminal && shown) std::cerr << "\n";
    if (!complete) std::cerr << "pelkoctl: " << cli.StallMessage() << ", поиск не завершён\n";
    for (std::uint32_t adr : found) std::cout << adr << "\n";
    if (cli.PortLost()) return kNoAnswer;
    return complete ? kOk : kIncomplete;
}

}  // namespace pelkoctl
