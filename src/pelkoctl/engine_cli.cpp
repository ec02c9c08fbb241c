#include "pelkoctl/engine_cli.h"

#include <iostream>

#include "config/config_reader.h"
#include "config/file_io.h"
#include "engine/engine_file_host.h"
#include "config/user_folders.h"
#include "pelkoctl/terminal.h"

namespace pelkoctl {
namespace {

constexpr int kProgressBarWidth = 30;

bool IsHexCode(const std::string& text) {
    if (text.size() != 10) return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// A controller that answered but whose parameters could not be read holds
// only the program's defaults: "?" rather than a block that looks real.
std::string ConfigText(const pelko::TConfPelko& dev) {
    const bool connected = (dev.State >> pelko::dfConnected) & 1;
    const bool read = (dev.State >> pelko::dfParamsRead) & 1;
    return connected && !read ? "?" : pelko::CodeToText(dev.Config);
}

// Cards are saved before they are erased, where the window saves them unless
// --backup names another folder; --no-backup saves nothing.
std::string BackupFolderOf(const Args& args) {
    if (!args.backupDir.empty()) return args.backupDir;
    return args.noBackup ? std::string() : pelko::DefaultBackupFolder();
}

}  // namespace

EngineCli::EngineCli(const Args& args)
    : FArgs(args),
      FCli(args, false),
      FRecorder(FSettings, BackupFolderOf(args), pelko::DefaultJournalPath()),
      FEngine(FCli.session(), FGroup, FSettings, FHost, FCli.opener()) {
    FSettings.PortBaudRate = FSettings.PrevBaudRate = static_cast<std::int32_t>(args.baud);
    FSettings.MaxAttempt = static_cast<std::int32_t>(args.attempts);
    FSettings.TOConstant = static_cast<std::int32_t>(args.timeoutMs);
    FSettings.TOMultiplier = static_cast<std::int32_t>(args.multiplierMs);
    FSettings.TailinUS = static_cast<std::int32_t>(args.tailUs);
    FSettings.SmartPI = args.rtsAuto;
    FHost.AnswerYes = args.yes;
    FEngine.SetRecorder(&FCliRecorder);
    FRecorder.onBackupSaved = [](const std::string& path) {
        std::cerr << "pelkoctl: резервная копия: " << path << "\n";
    };
    FHost.SetPump([this](const std::function<bool()>& done) { return FCli.RunUntil(done); });
    FHost.OnMessage = [](const pelko::HeadlessHost::Message& m) { std::cerr << "pelkoctl: " << m.text << "\n"; };
    FTerminal = StderrIsTerminal();
    if (FTerminal)
        FHost.OnProgress = [this](const std::string& caption, const pelko::TProgressBar& bar) {
            ShowProgress(caption, bar);
        };
}

EngineCli::~EngineCli() {
    FCliRecorder.Release({});
    if (FShownPercent >= 0) std::cerr << "\n";
    if (FHost.Stalled) std::cerr << "pelkoctl: порт перестал отвечать, операция прервана\n";
    if (!FRecorder.JournalError().empty())
        std::cerr << "pelkoctl: журнал изменений не записан: " << FRecorder.JournalError() << "\n";
}

int EngineCli::Open() {
    if (!FArgs.pass.empty()) {
        if (!IsHexCode(FArgs.pass)) {
            std::cerr << "pelkoctl: общий пароль (--pass, --pass-file, PELKOCTL_PASS): десять шестнадцатеричных цифр\n";
            return kBadArgs;
        }
        FSettings.StandPass = FSettings.OldStandPass = pelko::TextToCode(Upper(FArgs.pass));
    }
    return FCli.Open();
}

void EngineCli::PrintDevices(std::ostream& out) {
    for (pelko::DevIndex i = 0; i < FGroup.Count(); ++i)
        out << DeviceLine(*FGroup.GetDevice(i, nullptr), FArgs.showPass) << "\n";
}

// One line redrawn in place: the caption, a bar and the percentage.
void EngineCli::ShowProgress(const std::string& caption, const pelko::TProgressBar& bar) {
    const int span = bar.Max - bar.Min;
    const int percent = span > 0 ? (bar.Position - bar.Min) * 100 / span : 0;
    if (percent == FShownPercent && caption == FShownCaption) return;
    FShownPercent = percent;
    FShownCaption = caption;
    const int filled = percent * kProgressBarWidth / 100;
    std::cerr << "\r\033[K[" << std::string(static_cast<std::size_t>(filled), '#')
              << std::string(static_cast<std::size_t>(kProgressBarWidth - filled), '.') << "] " << percent << "% "
              << caption << std::flush;
}

std::string DeviceLine(const pelko::TConfPelko& dev, bool showPass) {
    // The parameter block has a code's shape: five bytes, ten hex digits.
    return "device " + std::to_string(dev.Config[pelko::kAdrByte]) + " STATE=" + std::to_string(dev.State) +
           " CONFIG=" + ConfigText(dev) +
           " PASS=" + (showPass ? pelko::CodeToText(dev.Pass) : std::string(kMaskedPass));
}

bool EraseAllowed(const pelko::TPreflight& preflight, const Args& args) {
    if (!args.noBackup || args.yes) return true;
    std::string text = preflight.text;
    for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
        text.replace(at, 2, "\n");
    std::cerr << text << "pelkoctl: ничего не записано; без резервной копии (--no-backup) карты стираются только "
                         "вместе с --yes\n";
    return false;
}

bool BackupRefused(EngineCli& cli, const Args& args) {
    if (args.yes || cli.host().Questions.empty()) return false;
    std::cerr << "pelkoctl: ничего не стёрто; чтобы продолжить без резервной копии, добавьте --yes "
                 "(или --backup DIR с другой папкой)\n";
    return true;
}

int OpenFileGroup(EngineCli& cli, const std::string& path) {
    std::string bytes;
    if (const pelko::FileResult r = pelko::ReadWholeFile(path, bytes); !r.ok) {
        std::cerr << OpenFailedText(path, r.error) << "\n";
        return kNoPort;
    }
    if (const int rc = cli.Open(); rc != kOk) return rc;
    pelko::EngineFileHost fileHost(cli.engine(), cli.session(), cli.host());
    // A file that does not parse holds nothing worth writing or comparing.
    if (!pelko::ReadFromFile(bytes, cli.settings(), cli.group(), fileHost)) return kNoPort;
    cli.engine().SearchGroup(false);
    return kOk;
}

}  // namespace pelkoctl
