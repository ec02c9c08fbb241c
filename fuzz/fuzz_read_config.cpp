// The configuration file reader on arbitrary bytes. Whatever it takes from
// a file must survive a save and a second read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/config_reader.h"
#include "config/config_writer.h"

namespace {

using namespace pelko;

bool SameCards(const CardsArr& a, const CardsArr& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Pos != b[i].Pos || a[i].Code != b[i].Code || a[i].User != b[i].User) return false;
    return true;
}

// The devices of a that are in the group, against all of b.
bool SameGroup(const TGroupDev& a, const TGroupDev& b) {
    DevIndex j = 0;
    for (DevIndex i = 0; i < a.Count(); ++i) {
        if (!a.GetState(i, dfInGroup)) continue;
        if (j >= b.Count()) return false;
        const TConfPelko& x = *a.GetDevice(i, nullptr);
        const TConfPelko& y = *b.GetDevice(j++, nullptr);
        if (x.Config != y.Config || x.Name != y.Name || x.Pass != y.Pass ||
            x.State != y.State || !SameCards(x.UserCards(), y.UserCards()) ||
            !SameCards(x.MasterCards(), y.MasterCards()))
            return false;
    }
    return j == b.Count();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    SilentConfigHost host;
    host.answerYes = size % 2 == 0;
    ProgramSettings settings;
    TGroupDev group;
    group.AddDevice(7);  // one device known before the file
    ReadFromFile(text, settings, group, host);

    host.answerYes = true;
    const std::string saved = SaveToFile(settings, group, host);
    ProgramSettings settings2;
    settings2.PortBaudRate = settings.PortBaudRate;
    TGroupDev group2;
    ReadFromFile(saved, settings2, group2, host);
    // What was saved comes back in the group and not connected.
    for (DevIndex i = 0; i < group.Count(); ++i) group.ClearState(i, dfConnected);
    if (!SameGroup(group, group2)) std::abort();
    if (SaveToFile(settings2, group2, host).size() == 0) std::abort();
    return 0;
}
