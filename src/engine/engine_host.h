#pragma once
// Everything the engine needs from the main window. The Qt window implements
// it with its widgets; HeadlessHost implements it for tests and pelkoctl.
#include <cstdint>
#include <functional>
#include <string>

#include "config/config_file_host.h"
#include "engine/device_params.h"
#include "engine/progress.h"

namespace pelko {

// Message icons and the captions "Сообщение" / "Внимание" are those of
// config/config_file_host.h, shared with the configuration file.

inline constexpr unsigned kTimerMs = 100;

// How the modal progress window ended.
enum class TModalResult { Closed, Cancel };

class EngineHost {
public:
    virtual ~EngineHost() = default;

    // Progress window. Prepare places it centred on the main window.
    virtual void ProgressPrepare() = 0;
    virtual void ProgressCaption(const std::string& text) = 0;
    virtual void ProgressBar(const TProgressBar& bar) = 0;
    // The Cancel button and the window's Close item together.
    virtual void ProgressCancelEnabled(bool enabled) = 0;
    // Returns when the engine closes the window (Closed) or the user cancels
    // it (Cancel). The session's answers keep being dispatched meanwhile.
    virtual TModalResult ProgressShowModal() = 0;
    virtual void ProgressClose() = 0;

    // Modal boxes owned by the main window; the same two calls as the
    // configuration file's host, so one window serves both.
    virtual void ShowMessage(const std::string& caption, const std::string& text, TMsgIcon icon) = 0;
    virtual bool AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) = 0;

    // The parameters dialog on params; true when the user accepted it, params
    // then hold the dialog's values. closeEnabled false greys "Закрыть".
    virtual bool EditDeviceParams(TDeviceParams& params, const std::string& caption,
                                  bool closeEnabled) = 0;

    // Timer1: each tick calls Timer1Tick on the main thread. Stopped, it
    // keeps kTimerMs as its interval.
    virtual void SetTimer1(bool enabled, unsigned intervalMs) = 0;
    std::function<void()> Timer1Tick;
    // A short pause on the main thread (a controller switching its speed).
    virtual void Pause(unsigned ms) = 0;

    // Refreshes of the main window.
    virtual void UpdateControls() = 0;
    virtual void UpdateGridDev() = 0;
    virtual void UpdateInspDev() = 0;
    virtual void UpdateInspCard() = 0;
    virtual void RepaintMain() = 0;
    virtual void ShowDeviceGrid() = 0;
    virtual void InspectorEditParam(int row) = 0;

    // The card list.
    virtual int CardRow() const = 0;
    virtual void SetCardRow(int row) = 0;  // a negative row is ignored
    virtual void SetCardRowCount(int count) = 0;
    virtual void RepaintCardGrid() = 0;
};

}  // namespace pelko
