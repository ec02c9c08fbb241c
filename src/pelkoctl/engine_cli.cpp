#include "pelkoctl/engine_cli.h"

#include <chrono>
#include <iostream>
#include <thread>

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
      FBoxes(args.yes),
      FRecorder(FSettings, BackupFolderOf(args), pelko::DefaultJournalPath()),
      FEngine(FCli.session(), FGroup, FSettings, *this, FCli.opener()) {
    FSettings.PortBaudRate = FSettings.PrevBaudRate = static_cast<std::int32_t>(args.baud);
    FSettings.MaxAttempt = static_cast<std::int32_t>(args.attempts);
    FSettings.TOConstant = static_cast<std::int32_t>(args.timeoutMs);
    FSettings.TOMultiplier = static_cast<std::int32_t>(args.multiplierMs);
    FSettings.TailinUS = static_cast<std::int32_t>(args.tailUs);
    FSettings.SmartPI = args.rtsAuto;
    FEngine.SetRecorder(&FCliRecorder);
    FRecorder.onBackupSaved = [](const std::string& path) {
        std::cerr << "pelkoctl: резервная копия: " << path << "\n";
    };
    FTerminal = StderrIsTerminal();
}

EngineCli::~EngineCli() {
    FCliRecorder.Release({});
    if (FShownPercent >= 0) std::cerr << "\n";
    if (FStalled) std::cerr << "pelkoctl: порт перестал отвечать, операция прервана\n";
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

pelko::TCommandResult EngineCli::Run(const std::function<void(pelko::TEngine::TDone)>& command) {
    pelko::TCommandResult result;
    bool ended = false;
    command([&](const pelko::TCommandResult& r) {
        result = r;
        ended = true;
    });
    while (!ended) {
        if (FEngine.Ticking()) {
            // A wait of the command's own (a controller restarting) runs on
            // the real clock; the line's events still come meanwhile.
            std::this_thread::sleep_for(std::chrono::milliseconds(pelko::kTimerMs));
            FEngine.Tick();
            FCli.session().Dispatch();
            continue;
        }
        if (FCli.RunUntil([&] { return ended || FEngine.Ticking(); })) continue;
        FStalled = true;
        FEngine.Cancel();
        if (!ended) {
            result.failed = true;
            break;
        }
    }
    return result;
}

void EngineCli::OnNotice(const pelko::TNotice& notice) { std::cerr << "pelkoctl: " << notice.text << "\n"; }

void EngineCli::Boxes::ShowMessage(const std::string&, const std::string& text, pelko::TMsgIcon) {
    std::cerr << "pelkoctl: " << text << "\n";
}

bool EngineCli::Boxes::AskYesNo(const std::string&, const std::string& text, pelko::TMsgIcon) {
    std::cerr << "pelkoctl: " << text << (FYes ? " — да (--yes)\n" : " — нет (без --yes)\n");
    return FYes;
}

// One line redrawn in place: the caption, a bar and the percentage.
void EngineCli::OnProgress(const pelko::TProgress& progress) {
    if (!FTerminal || !progress.shown) return;
    const std::string& caption = progress.caption;
    const pelko::TProgressBar& bar = progress.bar;
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

bool BackupRefused(const pelko::TCommandResult& result) {
    if (result.backupRefused.empty()) return false;
    std::cerr << "pelkoctl: " << result.backupRefused
              << "\npelkoctl: ничего не стёрто; чтобы продолжить без резервной копии, добавьте --yes "
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
    pelko::EngineFileHost fileHost(cli.session(), cli.fileBoxes(), cli);
    // A file that does not parse holds nothing worth writing or comparing.
    if (!pelko::ReadFromFile(bytes, cli.settings(), cli.group(), fileHost)) return kNoPort;
    cli.Run([&](pelko::TEngine::TDone done) { cli.engine().SearchGroup(false, done); });
    return kOk;
}

}  // namespace pelkoctl
