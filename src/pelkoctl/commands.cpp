#include "pelkoctl/commands.h"

namespace pelkoctl {

int cmdScan(const Args&);
int cmdRaw(const Args&);

const std::vector<Command>& commands() {
    static const std::vector<Command> table = {
        {"scan", "scan", cmdScan},
        {"raw", "raw ADDR HEXBODY", cmdRaw},
    };
    return table;
}

}  // namespace pelkoctl
