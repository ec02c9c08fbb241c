// pelkoctl write FILE: load a configuration file, find its group on the line
// and write every opened device: the cells that differ from what the
// controller holds (read first), or every cell with --all-cells.
#include <iostream>

#include "pelkoctl/engine_cli.h"

namespace pelkoctl {

int cmdWrite(const Args& args) {
    if (args.words.size() != 1) {
        std::cerr << "pelkoctl: write FILE\n";
        return kBadArgs;
    }
    EngineCli cli(args);
    if (const int rc = OpenFileGroup(cli, args.words[0]); rc != kOk) return rc;
    pelko::TEngine& engine = cli.engine();
    std::vector<const pelko::TConfPelko*> devs;
    for (pelko::DevIndex i = 0; i < cli.group().Count(); ++i)
        if (cli.group().GetState(i, pelko::dfOpened)) devs.push_back(cli.group().GetDevice(i, nullptr));
    // Nothing was read in this run: the lists are the file's.
    if (!devs.empty() && !EraseAllowed(pelko::WritePreflight(devs, {}), args)) return kBadArgs;
    cli.recorder().Hold();
    // --yes: the user agreed beforehand to go on where no backup can be made.
    const pelko::TCommandResult result =
        cli.Run([&](pelko::TEngine::TDone done) {
            engine.WriteCardsOfAll({.withoutBackup = args.yes, .allCells = args.allCells}, done);
        });
    cli.recorder().Release(result.checks);
    if (BackupRefused(result)) return kBadArgs;
    // What did not match is already on standard error; a clean read-back is said too.
    for (const pelko::TCardCheck& check : result.checks)
        if (check.Matches()) std::cerr << "pelkoctl: прибор " << int(check.adr) << ": " << pelko::WriteCheckText(check) << "\n";
    cli.PrintDevices(std::cout);
    bool complete = true, any = false;
    for (pelko::DevIndex i = 0; i < cli.group().Count(); ++i) {
        if (!cli.group().GetState(i, pelko::dfInGroup)) continue;
        const std::uint8_t adr = cli.group().GetDevice(i, nullptr)->Config[pelko::kAdrByte];
        any = true;
        if (!cli.group().GetState(i, pelko::dfOpened))
            std::cerr << "pelkoctl: прибор " << int(adr) << " не найден или не открылся; карты не записаны\n";
        complete = complete && cli.group().GetState(i, pelko::dfOpened) && engine.CellsConfirmed(adr) == pelko::kCellCount;
    }
    return cli.Verdict(complete && any ? kOk : kIncomplete);
}

}  // namespace pelkoctl
