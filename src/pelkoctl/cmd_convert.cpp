// pelkoctl convert IN OUT: reads a configuration file and writes it anew.
#include <cstring>
#include <iostream>

#include "config/config_writer.h"
#include "config/file_io.h"
#include "config/stream_config_host.h"
#include "pelkoctl/commands.h"

namespace pelkoctl {

int LoadConfigFile(const std::string& path, pelko::ProgramSettings& settings, pelko::TGroupDev& group);

int cmdConvert(const Args& args) {
    if (args.words.size() != 2) {
        std::cerr << "pelkoctl: нужно convert IN OUT\n";
        return kBadArgs;
    }
    pelko::ProgramSettings settings;
    pelko::TGroupDev group;
    // A damaged IN must not replace OUT (often the same file) with defaults.
    if (const int rc = LoadConfigFile(args.words[0], settings, group); rc != kOk) return rc;
    pelko::StreamConfigHost host(std::cerr);
    const pelko::FileResult r = pelko::WriteFileSafely(args.words[1], pelko::SaveToFile(settings, group, host));
    if (!r.ok) {
        std::cerr << "pelkoctl: " << pelko::kTextSaveFailed << " " << args.words[1] << ": " << std::strerror(r.error)
                  << "\n";
        return kNoPort;
    }
    return kOk;
}

}  // namespace pelkoctl
