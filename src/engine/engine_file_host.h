#pragma once
// The configuration file's host for a program built on the engine: boxes go
// to the front end's own file host, session restarts to the session, and a
// discarded group is told to the engine's observer.
#include "config/config_file_host.h"
#include "engine/engine.h"

namespace pelko {

class EngineFileHost : public ConfigFileHost {
public:
    // boxes: where the file's messages and questions go (the window, a
    // terminal); observer: told when the group changed.
    EngineFileHost(TPelkoSession& session, ConfigFileHost& boxes, EngineObserver& observer)
        : FSession(session), FHost(boxes), FObserver(observer) {}

    void ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) override {
        FHost.ShowMessage(caption, text, icon);
    }
    bool AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) override {
        return FHost.AskYesNo(caption, text, icon);
    }
    void GroupDiscarded() override;
    void GroupMarkedForSave() override;
    void RestartSessionAtSpeed(std::int32_t portBaudRate) override;
    void RestartSessionWithPortSettings(const ProgramSettings& settings) override;
    void SetDevPresent(std::uint8_t address) override { FSession.SetDevPresent(address); }

private:
    TPelkoSession& FSession;
    ConfigFileHost& FHost;
    EngineObserver& FObserver;
};

}  // namespace pelko
