#pragma once
// What reading and writing the configuration file need from the program
// around them: message boxes, one question, the session and the window's
// views of the group. The window implements it with dialogs and the real
// session; pelkoctl prints the messages and has no session.
#include <cstdint>
#include <string>

#include "config/program_settings.h"

namespace pelko {

enum class TMsgIcon { Warning, Error, Question, Information };

class ConfigFileHost {
public:
    virtual ~ConfigFileHost() = default;

    // Modal box with an OK button; texts are UTF-8, lines end with CR LF.
    virtual void ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) = 0;
    // Modal Yes/No box; true for Yes.
    virtual bool AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) = 0;

    // Called right after every device object of the group was destroyed
    // (the user accepted the file's line speed): nothing may refer to one any
    // longer; redraw the device grid.
    virtual void GroupDiscarded() = 0;
    // Saving put every device into the group: redraw the grid and inspector.
    virtual void GroupMarkedForSave() = 0;

    // Session: inactive, the new speed, active again.
    virtual void RestartSessionAtSpeed(std::int32_t portBaudRate) = 0;
    // Session: inactive; Circle, ComPort, IntervalTimeOut, Max_Attempt
    // (through SessionMaxAttempt), SmartPI, TailinUS, TimeOutConstant,
    // TimeOutMultiplier from the settings, in this order; active again.
    virtual void RestartSessionWithPortSettings(const ProgramSettings& settings) = 0;
    virtual void SetDevPresent(std::uint8_t address) = 0;
};

// A host that shows nothing and has no session: for batch work on files.
class SilentConfigHost : public ConfigFileHost {
public:
    bool answerYes = true;  // the answer to every question

    void ShowMessage(const std::string&, const std::string&, TMsgIcon) override {}
    bool AskYesNo(const std::string&, const std::string&, TMsgIcon) override { return answerYes; }
    void GroupDiscarded() override {}
    void GroupMarkedForSave() override {}
    void RestartSessionAtSpeed(std::int32_t) override {}
    void RestartSessionWithPortSettings(const ProgramSettings&) override {}
    void SetDevPresent(std::uint8_t) override {}
};

// Captions and texts of the boxes the configuration file shows.
inline constexpr const char* kCaptionMessage = "Сообщение";
inline constexpr const char* kCaptionAttention = "Внимание";
inline constexpr const char* kTextFileDamaged = "Файл поврежден.";
inline constexpr const char* kTextTagError = "Ошибка при обработке тега";
inline constexpr const char* kTextSpeedQuestion =
    "Настройки скорости в программе\r\nи в файле не совпадают. Продолжить?\r\n\r\n";

}  // namespace pelko
