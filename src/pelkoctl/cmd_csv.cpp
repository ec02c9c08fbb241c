// pelkoctl export-csv FILE ADR OUT.csv and import-csv FILE ADR IN.csv
// [--out FILE2], and the same with .xlsx: a controller's card list of a
// configuration file to and from a spreadsheet file. Without --out the
// import saves FILE in place, safely: a refused table or a failed save
// leaves it as it was.
#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>

#include "config/card_csv.h"
#include "config/card_xlsx.h"
#include "config/config_writer.h"
#include "config/file_io.h"
#include "config/stream_config_host.h"
#include "pelkoctl/commands.h"

namespace pelkoctl {

int LoadConfigFile(const std::string& path, pelko::ProgramSettings& settings, pelko::TGroupDev& group);

namespace {

std::optional<pelko::DevIndex> DeviceOf(const pelko::TGroupDev& group, const std::string& text) {
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) {
        std::cerr << "pelkoctl: адрес прибора — число от 1 до 254\n";
        return std::nullopt;
    }
    const int adr = std::stoi(text);
    const pelko::DevIndex i = adr >= 1 && adr <= 254 ? group.IndexOfAdr(static_cast<std::uint8_t>(adr)) : pelko::NoDevice;
    if (i == pelko::NoDevice) {
        std::cerr << "pelkoctl: в файле нет прибора с адресом " << text << "\n";
        return std::nullopt;
    }
    return i;
}

// FILE (word 0) loaded and its controller ADR (word 1) found.
int LoadDevice(const Args& args, pelko::ProgramSettings& settings, pelko::TGroupDev& group, pelko::DevIndex& index) {
    if (const int rc = LoadConfigFile(args.words[0], settings, group); rc != kOk) return rc;
    const std::optional<pelko::DevIndex> i = DeviceOf(group, args.words[1]);
    if (!i) return kBadArgs;
    index = *i;
    return kOk;
}

int Save(const std::string& path, std::string_view bytes) {
    const pelko::FileResult r = pelko::WriteFileSafely(path, bytes);
    if (r.ok) return kOk;
    std::cerr << "pelkoctl: " << pelko::kTextSaveFailed << " " << path << ": " << pelko::FileErrorText(r.error) << "\n";
    return kNoPort;
}

// "-" is standard input, as tools take it; a card list is small.
pelko::FileResult ReadInput(const std::string& path, std::string& bytes) {
    if (path != "-") return pelko::ReadWholeFile(path, bytes);
    bytes.clear();
    char buf[4096];
    while (std::cin.read(buf, sizeof buf) || std::cin.gcount() > 0) {
        bytes.append(buf, static_cast<std::size_t>(std::cin.gcount()));
        if (bytes.size() > pelko::kMaxConfigFileSize) return {false, EFBIG};
    }
    return {true, 0};
}

// The two kinds of table file; a build without .xlsx refuses that one.
struct Table {
    const char* exportUsage;
    const char* importUsage;
    bool xlsx;
};

constexpr Table kCsv{"export-csv FILE ADR OUT.csv", "import-csv FILE ADR IN.csv [--out FILE2]", false};
constexpr Table kXlsx{"export-xlsx FILE ADR OUT.xlsx", "import-xlsx FILE ADR IN.xlsx [--out FILE2]", true};

int Usable(const Table& table, const Args& args, const char* usage) {
    if (args.words.size() != 3) {
        std::cerr << "pelkoctl: нужно " << usage << "\n";
        return kBadArgs;
    }
    if (table.xlsx && !pelko::XlsxSupported()) {
        std::cerr << "pelkoctl: " << pelko::kTextNoXlsx << "\n";
        return kBadArgs;
    }
    return kOk;
}

int Export(const Table& table, const Args& args) {
    if (const int rc = Usable(table, args, table.exportUsage); rc != kOk) return rc;
    pelko::ProgramSettings settings;
    pelko::TGroupDev group;
    pelko::DevIndex i = 0;
    if (const int rc = LoadDevice(args, settings, group, i); rc != kOk) return rc;
    const pelko::TConfPelko& dev = *group.GetDevice(i, nullptr);
    std::string bytes;
    if (!table.xlsx) {
        bytes = pelko::CardsToCsv(dev);
    } else {
        pelko::TXlsxFile xlsx = pelko::CardsToXlsx(dev);
        if (!xlsx.ok) {
            std::cerr << "pelkoctl: " << pelko::kTextSaveFailed << " " << args.words[2] << ": " << xlsx.reason << "\n";
            return kNoPort;
        }
        bytes = std::move(xlsx.bytes);
    }
    if (args.words[2] != "-") return Save(args.words[2], bytes);
    std::cout << bytes << std::flush;  // "-" is standard output
    return std::cout ? kOk : kNoPort;
}

int Import(const Table& table, const Args& args) {
    if (const int rc = Usable(table, args, table.importUsage); rc != kOk) return rc;
    pelko::ProgramSettings settings;
    pelko::TGroupDev group;
    pelko::DevIndex i = 0;
    if (const int rc = LoadDevice(args, settings, group, i); rc != kOk) return rc;
    std::string bytes;
    if (const pelko::FileResult r = ReadInput(args.words[2], bytes); !r.ok) {
        std::cerr << OpenFailedText(args.words[2], r.error) << "\n";
        return kNoPort;
    }
    const pelko::TCsvCards cards = table.xlsx ? pelko::CardsFromXlsx(bytes) : pelko::CardsFromCsv(bytes);
    if (!cards.ok) {
        std::cerr << "pelkoctl: " << args.words[2] << ": " << pelko::CsvRefusal(cards) << " Ничего не изменено.\n";
        return kNoPort;
    }
    pelko::ReplaceCards(*group.GetDevice(i, nullptr), cards.cards);
    pelko::StreamConfigHost host(std::cerr);
    return Save(args.out.empty() ? args.words[0] : args.out, pelko::SaveToFile(settings, group, host));
}

}  // namespace

int cmdExportCsv(const Args& args) { return Export(kCsv, args); }
int cmdImportCsv(const Args& args) { return Import(kCsv, args); }
int cmdExportXlsx(const Args& args) { return Export(kXlsx, args); }
int cmdImportXlsx(const Args& args) { return Import(kXlsx, args); }

}  // namespace pelkoctl
