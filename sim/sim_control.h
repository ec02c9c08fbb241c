#pragma once
// The control channel of pelko-sim: one text command per line acting on the
// line's controllers (present a card, plug a controller in or out, faults...).
// Controllers are named by their current address; a command acts on every
// controller at that address.
#include <functional>
#include <string>
#include <vector>

#include "sim/sim_line.h"
#include "sim/sim_options.h"

namespace pelko {

class SimControl {
public:
    SimControl(SimLine& line, const SimOptions& options) : FLine(line), FOptions(options) {}

    // The reply lines: "ok" (after any listing) or one "ошибка: ..." line.
    std::vector<std::string> Run(const std::string& command);
    bool QuitAsked() const { return FQuit; }
    bool LogOn() const { return FLog; }
    void SetLog(bool on) { FLog = on; }

    // One line per controller: address, speed, password, parameters, cells in
    // use, card, button and whether it is unplugged or restarting.
    std::vector<std::string> Status() const;

private:
    std::vector<SimControllerId> Plugged(const std::string& adrText, std::string& error) const;
    // Runs act on every plugged-in controller at the address: "ok", or the
    // error when the address is bad or nobody is there.
    std::vector<std::string> ActOn(const std::string& adrText, const std::function<void(SimControllerId)>& act);
    std::vector<std::string> Dispatch(const std::vector<std::string>& w);
    std::vector<std::string> OnCard(const std::vector<std::string>& w);
    std::vector<std::string> OnButton(const std::vector<std::string>& w);
    std::vector<std::string> OnAdd(const std::vector<std::string>& w);
    std::vector<std::string> OnPlug(const std::vector<std::string>& w);
    std::vector<std::string> OnFault(const std::vector<std::string>& w);
    std::vector<std::string> OnCell(const std::vector<std::string>& w);
    std::vector<std::string> ForEach(const std::vector<std::string>& w, std::size_t words,
                                     bool (SimLine::*act)(SimControllerId));

    SimLine& FLine;
    SimOptions FOptions;
    bool FQuit = false;
    bool FLog = false;
};

}  // namespace pelko
