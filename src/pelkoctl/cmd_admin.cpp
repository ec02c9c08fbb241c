// pelkoctl params / address / password / common-pass / speed / reset: the
// engine's commands on one device or on the group found, for set-up by
// script. Every command prints the resulting device lines; 4 when a
// controller was left behind, 2 before anything was written when a
// controller could be lost and --yes was not given. The exit code is made
// from the engine command's result.
#include <iostream>
#include <optional>

#include "config/file_parameters.h"
#include "pelkoctl/engine_cli.h"

namespace pelkoctl {
namespace {

std::optional<std::uint8_t> Address(const std::string& text) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int v = std::stoi(text);
    if (v < 1 || v > 254) return std::nullopt;
    return static_cast<std::uint8_t>(v);
}

std::optional<pelko::TCode> Hex(const std::string& text) {
    if (text.size() != 10 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
        return std::nullopt;
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return pelko::TextToCode(upper);
}

// The controller at adr opened with --own (or the common password); its
// index, or nothing.
std::optional<pelko::DevIndex> OpenOne(EngineCli& cli, std::uint8_t adr, const Args& args) {
    pelko::TGroupDev& group = cli.group();
    const pelko::DevIndex i = group.AddDevice(adr);
    group.Select(i);
    const pelko::TCode pass = args.own.empty() ? cli.settings().StandPass : *Hex(args.own);
    const pelko::TCommandResult opened =
        cli.Run([&](pelko::TEngine::TDone done) { cli.engine().OpenWithPassword(i, pass, done); });
    if (!opened.ok) {
        std::cerr << "pelkoctl: прибор " << int(adr) << " не открылся\n";
        return std::nullopt;
    }
    return i;
}

// done: the controllers are as asked, as the model now says; result: the
// command's own account, which also counts what it had to report.
int Finish(EngineCli& cli, bool done, const pelko::TCommandResult& result) {
    cli.PrintDevices(std::cout);
    return cli.Verdict(done && result.ok && !cli.Stalled() ? kOk : kIncomplete);
}

pelko::TCommandResult Clean() {
    pelko::TCommandResult r;
    r.ok = true;
    return r;
}

bool OwnValid(const Args& args) {
    if (args.own.empty() || Hex(args.own)) return true;
    std::cerr << "pelkoctl: пароль прибора (--own, --own-file, PELKOCTL_OWN): десять шестнадцатеричных цифр\n";
    return false;
}

}  // namespace

int cmdParams(const Args& args) {
    const std::optional<std::uint8_t> adr = args.words.empty() ? std::nullopt : Address(args.words[0]);
    if (!adr || !OwnValid(args)) {
        std::cerr << "pelkoctl: params ADR [NAME=VALUE ...]\n";
        return kBadArgs;
    }
    std::vector<std::pair<pelko::TConfigField, unsigned>> changes;
    for (std::size_t w = 1; w < args.words.size(); ++w) {
        const std::string& word = args.words[w];
        const std::size_t eq = word.find('=');
        const pelko::FileParameter* found = nullptr;
        for (const pelko::FileParameter& p : pelko::kFileParameters)
            if (eq != std::string::npos && word.compare(0, eq, p.name) == 0 && eq == std::string(p.name).size())
                found = &p;
        const std::string value = eq == std::string::npos ? std::string() : word.substr(eq + 1);
        // The speed is the speed phase's: never changed by a parameter write.
        if (found == nullptr || std::string(found->name) == "UARTSpeed" || value.empty() ||
            value.find_first_not_of("0123456789") != std::string::npos || value.size() > 3 ||
            std::stoul(value) >= (1u << found->field.width)) {
            std::cerr << "pelkoctl: неверный параметр " << word << "\n";
            return kBadArgs;
        }
        changes.emplace_back(found->field, static_cast<unsigned>(std::stoul(value)));
    }
    EngineCli cli(args);
    if (const int rc = cli.Open(); rc != kOk) return rc;
    const std::optional<pelko::DevIndex> i = OpenOne(cli, *adr, args);
    if (!i) return kNoAnswer;
    if (changes.empty()) return Finish(cli, true, Clean());
    pelko::TDevConfig wanted = cli.engine().ParametersOf(*i);
    for (const auto& [field, value] : changes) pelko::SetField(wanted, field, value);
    const pelko::TCommandResult result =
        cli.Run([&](pelko::TEngine::TDone done) { cli.engine().WriteParameters(*i, wanted, done); });
    pelko::TDevConfig now = cli.group().GetDevice(*i, nullptr)->Config;
    pelko::SetField(now, pelko::UARTSpeed, pelko::GetField(wanted, pelko::UARTSpeed));
    return Finish(cli, now == wanted, result);
}

int cmdAddress(const Args& args) {
    const std::optional<std::uint8_t> adr = args.words.size() == 2 ? Address(args.words[0]) : std::nullopt;
    const std::optional<std::uint8_t> to = args.words.size() == 2 ? Address(args.words[1]) : std::nullopt;
    if (!adr || !to || !OwnValid(args)) {
        std::cerr << "pelkoctl: address ADR NEW\n";
        return kBadArgs;
    }
    EngineCli cli(args);
    if (const int rc = cli.Open(); rc != kOk) return rc;
    const std::optional<pelko::DevIndex> i = OpenOne(cli, *adr, args);
    if (!i) return kNoAnswer;
    const pelko::TCommandResult result =
        cli.Run([&](pelko::TEngine::TDone done) { cli.engine().ChangeAddress(*i, *to, std::nullopt, done); });
    return Finish(cli, cli.group().IndexOfAdr(*to) != pelko::NoDevice, result);
}

int cmdPassword(const Args& args) {
    const std::optional<std::uint8_t> adr = args.words.size() == 2 ? Address(args.words[0]) : std::nullopt;
    const std::optional<pelko::TCode> pass = args.words.size() == 2 ? Hex(args.words[1]) : std::nullopt;
    if (!adr || !pass || !OwnValid(args)) {
        std::cerr << "pelkoctl: password ADR NEWHEX\n";
        return kBadArgs;
    }
    EngineCli cli(args);
    if (const int rc = cli.Open(); rc != kOk) return rc;
    const std::optional<pelko::DevIndex> i = OpenOne(cli, *adr, args);
    if (!i) return kNoAnswer;
    const pelko::TCommandResult result =
        cli.Run([&](pelko::TEngine::TDone done) { cli.engine().GivePassword(*i, *pass, done); });
    return Finish(cli, pelko::SameCode(cli.group().GetDevice(*i, nullptr)->Pass, *pass), result);
}

int cmdReset(const Args& args);

// A controller the search found but could not open keeps its password and
// speed: it would be lost to the program. Named before anything is written.
bool AtRiskAllowed(EngineCli& cli, const Args& args) {
    const std::vector<pelko::DevIndex> risk = cli.engine().DevicesAtRisk();
    if (risk.empty()) return true;
    std::cerr << "pelkoctl: " << (args.yes ? "не будут изменены" : "могут быть потеряны")
              << " приборы, которые не открылись общим паролем:\n";
    for (pelko::DevIndex i : risk) std::cerr << DeviceLine(*cli.group().GetDevice(i, nullptr), args.showPass) << "\n";
    if (!args.yes) std::cerr << "pelkoctl: ничего не записано; чтобы продолжить, добавьте --yes\n";
    return args.yes;
}

// A new common password or line speed carried into the controllers the
// search finds.
int GroupPhase(const Args& args, const std::optional<pelko::TCode>& pass, std::int32_t baud) {
    EngineCli cli(args);
    if (const int rc = cli.Open(); rc != kOk) return rc;
    const pelko::TCommandResult found = cli.Run([&](pelko::TEngine::TDone done) { cli.engine().Search(false, done); });
    if (cli.group().Count() == 0) {
        std::cerr << "pelkoctl: приборы не найдены на скорости " << args.baud << " бит/с; ничего не записано\n";
        return Finish(cli, false, found);
    }
    if (!AtRiskAllowed(cli, args)) return kBadArgs;
    const bool risky = !cli.engine().DevicesAtRisk().empty();
    const pelko::TCode old = cli.settings().StandPass;
    // Devices at risk are dropped only with --yes (asked above); a device
    // whose parameters were never read gets the program's defaults.
    const pelko::TCommandResult result = cli.Run([&](pelko::TEngine::TDone done) {
        if (pass) cli.engine().CarryCommonPassword(*pass, done);
        else cli.engine().ChangeLineSpeed(baud, {}, done);
    });
    bool done = !risky && cli.settings().PortBaudRate == (baud ? baud : static_cast<std::int32_t>(args.baud));
    for (pelko::DevIndex i = 0; i < cli.group().Count(); ++i) {
        const pelko::TConfPelko& dev = *cli.group().GetDevice(i, nullptr);
        if (!cli.group().GetState(i, pelko::dfOpened)) done = false;
        if (pass && !pelko::SameCode(old, *pass) && pelko::SameCode(dev.Pass, old)) done = false;
    }
    return Finish(cli, done, result);
}

int cmdCommonPass(const Args& args) {
    const std::optional<pelko::TCode> pass = args.words.size() == 1 ? Hex(args.words[0]) : std::nullopt;
    if (!pass) {
        std::cerr << "pelkoctl: common-pass NEWHEX\n";
        return kBadArgs;
    }
    return GroupPhase(args, pass, 0);
}

int cmdSpeed(const Args& args) {
    const std::int32_t baud = args.words.size() == 1 && args.words[0].size() <= 6 &&
                                      args.words[0].find_first_not_of("0123456789") == std::string::npos
                                  ? std::stoi(args.words[0])
                                  : 0;
    bool known = false;
    known = pelko::IsStandardBaud(baud);
    if (!known) {
        std::cerr << "pelkoctl: speed BAUD (2400..115200)\n";
        return kBadArgs;
    }
    return GroupPhase(args, std::nullopt, baud);
}

}  // namespace pelkoctl

namespace pelkoctl {

// The reset waits for the controller's restart on the real clock (EngineCli::Run).
int cmdReset(const Args& args) {
    const std::optional<std::uint8_t> adr = args.words.size() == 1 ? Address(args.words[0]) : std::nullopt;
    if (!adr || !OwnValid(args)) {
        std::cerr << "pelkoctl: reset ADR\n";
        return kBadArgs;
    }
    EngineCli cli(args);
    if (const int rc = cli.Open(); rc != kOk) return rc;
    const std::optional<pelko::DevIndex> i = OpenOne(cli, *adr, args);
    if (!i) return kNoAnswer;
    if (!EraseAllowed(pelko::ResetPreflight(*cli.group().GetDevice(*i, nullptr)), args)) return kBadArgs;
    // Parameters never read come back as the program's defaults; --yes goes
    // on where no backup can be made.
    const pelko::TCommandResult result =
        cli.Run([&](pelko::TEngine::TDone done) { cli.engine().Reset(*i, std::nullopt, args.yes, done); });
    if (BackupRefused(result)) return kBadArgs;
    const pelko::DevIndex at = cli.group().IndexOfAdr(*adr);
    return Finish(cli, at != pelko::NoDevice && cli.group().GetState(at, pelko::dfOpened), result);
}

}  // namespace pelkoctl
