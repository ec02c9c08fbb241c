#include "config/stream_config_host.h"

namespace pelko {

std::string OneLine(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            out += "\\n";
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if ((static_cast<unsigned char>(text[i]) < 0x20 && text[i] != '\t') || text[i] == 0x7F) {
            // ESC and the like would act on the terminal.
            static const char kHex[] = "0123456789ABCDEF";
            const auto c = static_cast<unsigned char>(text[i]);
            out += std::string("\\x") + kHex[c >> 4] + kHex[c & 15];
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

void StreamConfigHost::ShowMessage(const std::string&, const std::string& text, TMsgIcon) {
    out_ << "message: " << OneLine(text) << "\n";
}

bool StreamConfigHost::AskYesNo(const std::string&, const std::string& text, TMsgIcon) {
    out_ << "message: " << OneLine(text) << "\n";
    return true;
}

}  // namespace pelko
