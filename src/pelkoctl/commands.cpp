#include "pelkoctl/commands.h"

namespace pelkoctl {

int cmdScan(const Args&);
int cmdRaw(const Args&);
int cmdShowConfig(const Args&);
int cmdConvert(const Args&);
int cmdSearch(const Args&);
int cmdSearchAll(const Args&);
int cmdRead(const Args&);
int cmdWrite(const Args&);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"scan", "scan", cmdScan},
        {"raw", "raw ADDR HEXBODY", cmdRaw},
        {"show-config", "show-config FILE", cmdShowConfig},
        {"convert", "convert IN OUT", cmdConvert},
        {"search", "search [--pass HEX]", cmdSearch},
        {"search-all", "search-all [--pass HEX]", cmdSearchAll},
        {"read", "read --out FILE [--pass HEX]", cmdRead},
        {"write", "write FILE", cmdWrite},
    };
    return table;
}

}  // namespace pelkoctl
