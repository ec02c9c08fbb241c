#include "ui/unsaved_changes.h"

#include <string_view>

#include "config/config_writer.h"

namespace pelko {
namespace {

// FNV-1a: quick over a few megabytes of 254 full controllers.
class TChangeFold {
public:
    void Bytes(const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < n; ++i) FValue = (FValue ^ p[i]) * 0x100000001b3ULL;
    }
    void Text(std::string_view s) {
        Number(s.size());
        Bytes(s.data(), s.size());
    }
    void Number(std::uint64_t n) { Bytes(&n, sizeof n); }
    std::uint64_t Value() const { return FValue; }

private:
    std::uint64_t FValue = 0xcbf29ce484222325ULL;
};

void FoldCards(TChangeFold& f, const CardsArr& cards) {
    f.Number(cards.size());
    for (const TCard& c : cards) {
        f.Number(c.Pos);
        f.Bytes(c.Code.data(), c.Code.size());
        f.Text(c.User);
    }
}

}  // namespace

std::uint64_t SavedFingerprint(const ProgramSettings& settings, const TGroupDev& group, ConfigFileHost& host) {
    TChangeFold f;
    // The settings as the file writes them; an empty group asks the host nothing.
    TGroupDev none;
    f.Text(SaveToFile(settings, none, host));
    bool anyInGroup = false;
    for (DevIndex i = 0; i < group.Count(); ++i) anyInGroup = anyInGroup || group.GetState(i, dfInGroup);
    for (DevIndex i = 0; i < group.Count(); ++i) {
        if (anyInGroup && !group.GetState(i, dfInGroup)) continue;
        const TConfPelko& d = *group.GetDevice(i, nullptr);
        f.Text(d.Name);
        f.Bytes(d.Pass.data(), d.Pass.size());
        f.Bytes(d.Config.data(), d.Config.size());
        FoldCards(f, d.UserCards());
        FoldCards(f, d.MasterCards());
    }
    return f.Value();
}

}  // namespace pelko
