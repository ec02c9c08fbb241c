// pelkoctl verify FILE: reads every controller of the file's group and sets
// its cells beside the file's. One line per difference on standard output,
// "diff ADR CELL FILE_CODE LINE_CODE" ("-" for a free cell); exit 0 when
// every controller holds exactly the file's cards, 5 when any differs, 4
// when a controller or some of its cells could not be read.
#include <iostream>

#include "engine/change_tally.h"
#include "pelkoctl/engine_cli.h"

namespace pelkoctl {

int cmdVerify(const Args& args) {
    if (args.words.size() != 1) {
        std::cerr << "pelkoctl: нужно verify FILE\n";
        return kBadArgs;
    }
    EngineCli cli(args);
    if (const int rc = OpenFileGroup(cli, args.words[0]); rc != kOk) return rc;
    pelko::TEngine& engine = cli.engine();
    bool differs = false, partial = false;
    long cells = 0;
    for (pelko::DevIndex i = 0; i < cli.group().Count(); ++i) {
        if (!cli.group().GetState(i, pelko::dfInGroup)) continue;
        const std::uint8_t adr = cli.group().GetDevice(i, nullptr)->Config[pelko::kAdrByte];
        if (!cli.group().GetState(i, pelko::dfOpened)) {
            std::cerr << "pelkoctl: прибор " << int(adr) << " не найден или не открылся\n";
            partial = true;
            continue;
        }
        const pelko::TCommandResult result = cli.Run([&](pelko::TEngine::TDone done) { engine.CompareCards(i, done); });
        const pelko::TCardCheck check = result.checks.empty() ? pelko::TCardCheck{} : result.checks.front();
        for (const pelko::TCellDiff& d : check.differ)
            std::cout << "diff " << int(adr) << " " << d.cell << " " << pelko::CellCodeText(d.model) << " "
                      << pelko::CellCodeText(d.device) << "\n";
        if (!check.unread.empty())
            std::cerr << "pelkoctl: прибор " << int(adr) << ": не удалось прочитать ячейки "
                      << pelko::CellRanges(check.unread) << "\n";
        cells += pelko::kCellCount;
        differs = differs || !check.differ.empty();
        partial = partial || !check.reached || !check.unread.empty();
    }
    const int rc = cli.Verdict(differs ? kDiffers : partial ? kIncomplete : kOk);
    // Silence would look like nothing was compared.
    if (rc == kOk) std::cerr << "pelkoctl: совпадает: " << cells << " ячеек\n";
    return rc;
}

}  // namespace pelkoctl
