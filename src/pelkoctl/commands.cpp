#include "pelkoctl/commands.h"

namespace pelkoctl {

int cmdScan(const Args&);
int cmdRaw(const Args&);
int cmdShowConfig(const Args&);
int cmdConvert(const Args&);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"scan", "scan", cmdScan},
        {"raw", "raw ADDR HEXBODY", cmdRaw},
        {"show-config", "show-config FILE", cmdShowConfig},
        {"convert", "convert IN OUT", cmdConvert},
    };
    return table;
}

}  // namespace pelkoctl
