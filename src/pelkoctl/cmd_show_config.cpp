// pelkoctl show-config FILE: what the program takes from a configuration file.
#include <iostream>
#include <utility>

#include "config/config_reader.h"
#include "config/file_io.h"
#include "config/stream_config_host.h"
#include "pelkoctl/commands.h"

namespace pelkoctl {

// Reads a file into fresh settings and an empty group, as the program does.
// A file that does not parse fails like one that cannot be opened: what was
// read from it is only the defaults.
int LoadConfigFile(const std::string& path, pelko::ProgramSettings& settings, pelko::TGroupDev& group) {
    std::string bytes;
    if (const pelko::FileResult r = pelko::ReadWholeFile(path, bytes); !r.ok) {
        std::cerr << OpenFailedText(path, r.error) << "\n";
        return kNoPort;
    }
    pelko::StreamConfigHost host(std::cerr);
    return pelko::ReadFromFile(std::move(bytes), settings, group, host) ? kOk : kNoPort;
}

namespace {

// Passwords stay off the screen unless --show-pass, as in the device lines.
std::string PassText(const pelko::TCode& pass, bool show) { return show ? pelko::CodeToText(pass) : "**********"; }

void PrintSettings(const pelko::ProgramSettings& s, bool showPass) {
    const auto flag = [](bool v) { return v ? 1 : 0; };
    std::cout << "PortBaudRate=" << s.PortBaudRate << "\n"
              << "StandPass=" << PassText(s.StandPass, showPass) << "\n"
              << "AutoReadKey=" << flag(s.AutoReadKey) << "\n"
              << "AutoWriteKey=" << flag(s.AutoWriteKey) << "\n"
              << "AutoSetDefaultSettings=" << flag(s.AutoSetDefaultSettings) << "\n"
              << "CircleFind=" << s.CircleFind << "\n"
              << "SavePass=" << flag(s.SavePass) << "\n"
              << "NComPort=" << s.NComPort << "\n"
              << "TOConstant=" << s.TOConstant << "\n"
              << "TOMultiplier=" << s.TOMultiplier << "\n"
              << "IntervalTO=" << s.IntervalTO << "\n"
              << "SmartPI=" << flag(s.SmartPI) << "\n"
              << "TailinUS=" << s.TailinUS << "\n"
              << "MaxAttempt=" << s.MaxAttempt << "\n";
}

void PrintCards(const pelko::CardsArr& cards) {
    for (const pelko::TCard& c : cards)
        std::cout << "card " << c.Pos << " " << pelko::CodeToText(c.Code) << " USER=" << pelko::OneLine(c.User) << "\n";
}

void PrintGroup(const pelko::TGroupDev& group, bool showPass) {
    for (pelko::DevIndex i = 0; i < group.Count(); ++i) {
        const pelko::TConfPelko& d = *group.GetDevice(i, nullptr);
        std::cout << "device " << int(d.Config[pelko::kAdrByte]) << " NAME=" << pelko::OneLine(d.Name)
                  << " PASS=" << PassText(d.Pass, showPass) << " STATE=" << int(d.State) << "\n";
        PrintCards(d.UserCards());
        PrintCards(d.MasterCards());
    }
}

}  // namespace

int cmdShowConfig(const Args& args) {
    if (args.words.size() != 1) {
        std::cerr << "pelkoctl: нужно show-config FILE\n";
        return kBadArgs;
    }
    pelko::ProgramSettings settings;
    pelko::TGroupDev group;
    if (const int rc = LoadConfigFile(args.words[0], settings, group); rc != kOk) return rc;
    PrintSettings(settings, args.showPass);
    PrintGroup(group, args.showPass);
    return kOk;
}

}  // namespace pelkoctl
