// pelkoctl read --out FILE: search, read the cards of every opened device and
// save the whole working set as a configuration file.
#include <iostream>

#include "config/config_writer.h"
#include "config/file_io.h"
#include "engine/engine_file_host.h"
#include "pelkoctl/engine_cli.h"

namespace pelkoctl {

int cmdRead(const Args& args) {
    if (!args.words.empty() || args.out.empty()) {
        std::cerr << "pelkoctl: read --out FILE\n";
        return kBadArgs;
    }
    EngineCli cli(args);
    if (const int rc = cli.Open(); rc != kOk) return rc;
    pelko::TEngine& engine = cli.engine();
    cli.Run([&](pelko::TEngine::TDone done) { engine.Search(false, done); });
    if (cli.group().Count() == 0) return cli.Verdict(kNoAnswer);
    cli.Run([&](pelko::TEngine::TDone done) { engine.ReadCardsOfAll(done); });
    if (cli.Verdict(kOk) != kOk) return kNoAnswer;  // a partial read is not saved as if whole
    pelko::EngineFileHost fileHost(cli.session(), cli.fileBoxes(), cli);
    const std::string text = pelko::SaveToFile(cli.settings(), cli.group(), fileHost);
    if (const pelko::FileResult r = pelko::WriteFileSafely(args.out, text, pelko::FileAccess::Private); !r.ok) {
        std::cerr << "pelkoctl: " << pelko::kTextSaveFailed << " " << args.out << ": " << pelko::FileErrorText(r.error)
                  << "\n";
        return kNoPort;
    }
    cli.PrintDevices(std::cout);
    bool complete = true;
    for (pelko::DevIndex i = 0; i < cli.group().Count(); ++i) {
        const pelko::TConfPelko& dev = *cli.group().GetDevice(i, nullptr);
        const std::uint8_t adr = dev.Config[pelko::kAdrByte];
        std::cout << "cards " << int(adr) << " " << dev.UserCount() << " " << dev.MasterCount() << "\n";
        complete = complete && cli.group().GetState(i, pelko::dfOpened) &&
                   engine.CellsConfirmed(adr) == pelko::kCellCount;
    }
    return complete ? kOk : kIncomplete;
}

}  // namespace pelkoctl
