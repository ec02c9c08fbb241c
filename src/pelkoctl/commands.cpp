#include "pelkoctl/commands.h"

#include "config/file_io.h"

namespace pelkoctl {

int cmdScan(const Args&);
int cmdRaw(const Args&);
int cmdShowConfig(const Args&);
int cmdConvert(const Args&);
int cmdSearch(const Args&);
int cmdSearchAll(const Args&);
int cmdRead(const Args&);
int cmdWrite(const Args&);
int cmdParams(const Args&);
int cmdAddress(const Args&);
int cmdPassword(const Args&);
int cmdCommonPass(const Args&);
int cmdSpeed(const Args&);
int cmdReset(const Args&);
int cmdExportCsv(const Args&);
int cmdImportCsv(const Args&);
int cmdExportXlsx(const Args&);
int cmdImportXlsx(const Args&);
int cmdVerify(const Args&);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"scan", "scan", cmdScan},
        {"raw", "raw ADDR HEXBODY", cmdRaw},
        {"show-config", "show-config FILE", cmdShowConfig},
        {"convert", "convert IN OUT", cmdConvert},
        {"search", "search [--pass HEX]", cmdSearch},
        {"search-all", "search-all [--pass HEX]", cmdSearchAll},
        {"read", "read --out FILE [--pass HEX]", cmdRead},
        {"write", "write FILE [--all-cells]", cmdWrite},
        {"params", "params ADR [NAME=VALUE ...] [--own HEX]", cmdParams},
        {"address", "address ADR NEW [--own HEX]", cmdAddress},
        {"password", "password ADR NEWHEX [--own HEX]", cmdPassword},
        {"common-pass", "common-pass NEWHEX [--pass HEX]", cmdCommonPass},
        {"speed", "speed BAUD [--pass HEX]", cmdSpeed},
        {"reset", "reset ADR [--own HEX]", cmdReset},
        {"export-csv", "export-csv FILE ADR OUT.csv|-", cmdExportCsv},
        {"import-csv", "import-csv FILE ADR IN.csv|- [--out FILE2]", cmdImportCsv},
        {"export-xlsx", "export-xlsx FILE ADR OUT.xlsx|-", cmdExportXlsx},
        {"import-xlsx", "import-xlsx FILE ADR IN.xlsx|- [--out FILE2]", cmdImportXlsx},
        {"verify", "verify FILE", cmdVerify},
    };
    return table;
}

std::string OpenFailedText(const std::string& path, int error) {
    return std::string("pelkoctl: ") + pelko::kTextOpenFailed + " " + path + ": " + pelko::FileErrorText(error);
}

}  // namespace pelkoctl
