#pragma once
// The configuration file's host for a program built on the engine: boxes go
// to the engine's host, session restarts to the session, and a discarded
// group leaves the card list on a live record.
#include "config/config_file_host.h"
#include "engine/engine.h"

namespace pelko {

class EngineFileHost : public ConfigFileHost {
public:
    EngineFileHost(TEngine& engine, TPelkoSession& session, EngineHost& host)
        : FEngine(engine), FSession(session), FHost(host) {}

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
    TEngine& FEngine;
    TPelkoSession& FSession;
    EngineHost& FHost;
};

}  // namespace pelko
