#pragma once
// A configuration-file host without a window: every box becomes one line
// "message: TEXT" on a stream (CR LF shown as \n), questions are answered
// Yes, and there is no session to restart.
#include <ostream>
#include <string>

#include "config/config_file_host.h"

namespace pelko {

class StreamConfigHost : public ConfigFileHost {
public:
    explicit StreamConfigHost(std::ostream& out) : out_(out) {}

    void ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) override;
    bool AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) override;
    void GroupDiscarded() override {}
    void GroupMarkedForSave() override {}
    void RestartSessionAtSpeed(std::int32_t) override {}
    void RestartSessionWithPortSettings(const ProgramSettings&) override {}
    void SetDevPresent(std::uint8_t) override {}

private:
    std::ostream& out_;
};

// Line breaks (CR LF, CR or LF) written as the two characters \n.
// Other control characters show as \xHH.
std::string OneLine(const std::string& text);

}  // namespace pelko
