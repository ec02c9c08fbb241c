#pragma once
// A configuration-file host that records every call for the tests.
#include <string>
#include <vector>

#include "config/config_file_host.h"

namespace pelko {

struct RecordingHost : ConfigFileHost {
    bool answerYes = true;
    std::vector<std::string> events;    // in call order
    std::vector<std::string> messages;  // texts of message boxes
    ProgramSettings lastPort;

    void ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) override {
        messages.push_back(text);
        events.push_back("message " + caption + (icon == TMsgIcon::Warning ? " warning" : " other"));
    }
    bool AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) override {
        events.push_back("ask " + caption + (icon == TMsgIcon::Question ? " question " : " other ") + text);
        return answerYes;
    }
    void GroupDiscarded() override { events.push_back("discarded"); }
    void GroupMarkedForSave() override { events.push_back("marked"); }
    void RestartSessionAtSpeed(std::int32_t baud) override { events.push_back("speed " + std::to_string(baud)); }
    void RestartSessionWithPortSettings(const ProgramSettings& s) override {
        lastPort = s;
        events.push_back("port");
    }
    void SetDevPresent(std::uint8_t adr) override { events.push_back("present " + std::to_string(adr)); }
};

}  // namespace pelko
