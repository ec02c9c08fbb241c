#pragma once
// The headless host with the user's part played by a script: questions and
// the parameters dialog answer as the test says.
#include <deque>
#include <functional>
#include <string>

#include "engine/headless_host.h"

namespace pelko::test {

class ScriptedHost : public HeadlessHost {
public:
    std::deque<bool> YesNoAnswers;  // then DefaultYesNo
    bool DefaultYesNo = true;
    // Accepts with the values as they come when unset.
    std::function<bool(TDeviceParams&, const std::string& caption, bool closeEnabled)> ParamsDialog;

    bool AskYesNo(const std::string& caption, const std::string& text, TMsgIcon icon) override {
        HeadlessHost::AnswerYes = DefaultYesNo;
        if (!YesNoAnswers.empty()) {
            HeadlessHost::AnswerYes = YesNoAnswers.front();
            YesNoAnswers.pop_front();
        }
        return HeadlessHost::AskYesNo(caption, text, icon);
    }
    // How often the progress window was shown.
    int ModalCount = 0;
    TModalResult ProgressShowModal() override {
        ++ModalCount;
        return HeadlessHost::ProgressShowModal();
    }
    bool EditDeviceParams(TDeviceParams& params, const std::string& caption, bool closeEnabled) override {
        HeadlessHost::EditDeviceParams(params, caption, closeEnabled);
        return ParamsDialog ? ParamsDialog(params, caption, closeEnabled) : true;
    }
};

}  // namespace pelko::test
