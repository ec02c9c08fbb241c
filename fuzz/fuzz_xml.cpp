// The markup reader on arbitrary bytes: parse in both space modes, then walk
// the tree with fixed paths and with a path taken from the input itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/xml_entities.h"
#include "config/xml_parser.h"

namespace {

void Walk(pelko::TSimpleXMLParser& p, std::string_view path) {
    p.SelectNode("/");
    const int count = p.CountNodes(path);
    const bool found = p.SelectNode(path);
    if (found != (count > 0)) std::abort();  // a path that selects must count
    (void)p.GetAttribute("Val");
    (void)p.ContentText();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    // The last line of the input doubles as a path.
    const std::size_t nl = text.rfind('\n');
    const std::string_view path = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
    for (pelko::TSpaces mode : {pelko::spStrip, pelko::spPreserve}) {
        pelko::TSimpleXMLParser p;
        p.SetSpaces(mode);
        if (!p.Parse(text)) {
            if (p.Root() != nullptr || p.SelectNode("/") || p.CountNodes("/") != 0) std::abort();
            continue;
        }
        for (std::string_view fixed : {"/", "*", "*[1]/*", "/Devices/Device[1]/Cards/Card", "a/b[0]/c[2]"})
            Walk(p, fixed);
        Walk(p, path);
    }
    (void)pelko::DecodeEntities(text);
    return 0;
}
