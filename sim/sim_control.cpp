#include "sim/sim_control.h"

#include <charconv>
#include <sstream>

namespace pelko {
namespace {

const std::vector<std::string> kOk{"ok"};

std::vector<std::string> Fail(const std::string& why) { return {"ошибка: " + why}; }

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string s; in >> s;) w.push_back(s);
    return w;
}

std::string Hex(const SimCode& c) { return JoinedHex(Bytes(c.begin(), c.end()), ""); }

std::string Usage(const char* form) { return std::string("нужно: ") + form; }

}  // namespace

std::vector<std::string> SimControl::Run(const std::string& command) {
    const auto w = Words(command);
    if (w.empty()) return {};
    return Dispatch(w);
}

std::vector<std::string> SimControl::Dispatch(const std::vector<std::string>& w) {
    const std::string& c = w[0];
    if (c == "card" || c == "nocard") return OnCard(w);
    if (c == "button") return OnButton(w);
    if (c == "add") return OnAdd(w);
    if (c == "remove") return ForEach(w, 2, &SimLine::Remove);
    if (c == "unplug") return ForEach(w, 2, &SimLine::Unplug);
    if (c == "plug") return OnPlug(w);
    if (c == "fault") return OnFault(w);
    if (c == "nofault") return ForEach(w, 2, &SimLine::ClearFaults);
    if (c == "cell") return OnCell(w);
    if (c == "seed") {
        std::uint64_t seed = 0;
        const std::string& s = w.size() == 2 ? w[1] : std::string();
        auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), seed);
        if (s.empty() || ec != std::errc() || p != s.data() + s.size()) return Fail(Usage("seed N"));
        FLine.Reseed(seed);
        return kOk;
    }
    if (c == "list") {
        auto lines = Status();
        lines.push_back("ok");
        return lines;
    }
    if (c == "log") {
        if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) return Fail(Usage("log on|off"));
        FLog = w[1] == "on";
        return kOk;
    }
    if (c == "echo") {
        if (w.size() != 2 || (w[1] != "on" && w[1] != "off")) return Fail(Usage("echo on|off"));
        FLine.SetEcho(w[1] == "on");
        return kOk;
    }
    if (c == "latency") {
        const auto ms = w.size() == 2 ? ParseAdapterLatency(w[1]) : std::nullopt;
        if (!ms) return Fail(Usage("latency МС (0..255)"));
        FLine.SetAdapterLatencyUs(*ms * 1000);
        return kOk;
    }
    if (c == "quit") {
        FQuit = true;
        return kOk;
    }
    return Fail("неизвестная команда " + c);
}

std::vector<SimControllerId> SimControl::Plugged(const std::string& adrText, std::string& error) const {
    const auto adr = ParseAddress(adrText);
    if (!adr) {
        error = "неверный адрес " + adrText;
        return {};
    }
    auto ids = FLine.FindByAdr(*adr);
    if (ids.empty()) error = "нет контроллера с адресом " + adrText;
    return ids;
}

std::vector<std::string> SimControl::ForEach(const std::vector<std::string>& w, std::size_t words,
                                             bool (SimLine::*act)(SimControllerId)) {
    if (w.size() != words) return Fail(Usage((w[0] + " АДРЕС").c_str()));
    return ActOn(w[1], [&](SimControllerId id) { (FLine.*act)(id); });
}

std::vector<std::string> SimControl::ActOn(const std::string& adrText,
                                           const std::function<void(SimControllerId)>& act) {
    std::string error;
    const auto ids = Plugged(adrText, error);
    if (ids.empty()) return Fail(error);
    for (SimControllerId id : ids) act(id);
    return kOk;
}

std::vector<std::string> SimControl::OnCard(const std::vector<std::string>& w) {
    const bool present = w[0] == "card";
    if (w.size() != (present ? 3u : 2u)) return Fail(Usage(present ? "card АДРЕС HEX10" : "nocard АДРЕС"));
    const auto code = present ? ParseHexCode(w[2]) : std::optional<SimCode>(kNoCode);
    if (!code) return Fail("неверный код карты " + w[2]);
    return ActOn(w[1], [&](SimControllerId id) { FLine.PresentCard(id, *code); });
}

std::vector<std::string> SimControl::OnButton(const std::vector<std::string>& w) {
    if (w.size() != 3 || (w[2] != "on" && w[2] != "off")) return Fail(Usage("button АДРЕС on|off"));
    return ActOn(w[1], [&](SimControllerId id) { FLine.SetButton(id, w[2] == "on"); });
}

std::vector<std::string> SimControl::OnAdd(const std::vector<std::string>& w) {
    if (w.size() != 2) return Fail(Usage("add АДРЕС[@СКОРОСТЬ]"));
    const auto setup = ParseControllerEntry(w[1], FOptions);
    if (!setup) return Fail("неверный контроллер " + w[1]);
    FLine.Add(*setup);
    return kOk;
}

// Unplugged controllers are not found by FindByAdr; look through them all.
std::vector<std::string> SimControl::OnPlug(const std::vector<std::string>& w) {
    if (w.size() != 2) return Fail(Usage("plug АДРЕС"));
    const auto adr = ParseAddress(w[1]);
    if (!adr) return Fail("неверный адрес " + w[1]);
    bool any = false;
    for (SimControllerId id : FLine.Ids()) {
        const auto c = FLine.Snapshot(id);
        if (c && c->Adr() == *adr && !FLine.IsPlugged(id)) any = FLine.Plug(id);
    }
    return any ? kOk : Fail("нет отсоединённого контроллера с адресом " + w[1]);
}

std::vector<std::string> SimControl::OnFault(const std::vector<std::string>& w) {
    if (w.size() != 3) return Fail(Usage("fault АДРЕС ВИД[@КОМАНДА][:ДОЛЯ[:ЧИСЛО]]"));
    const auto fault = ParseFault(w[2]);
    if (!fault) return Fail("неверный сбой " + w[2]);
    return ActOn(w[1], [&](SimControllerId id) { FLine.AddFault(id, *fault); });
}

std::vector<std::string> SimControl::OnCell(const std::vector<std::string>& w) {
    if (w.size() != 4) return Fail(Usage("cell АДРЕС ЯЧЕЙКА HEX10"));
    unsigned cell = 0;
    auto [p, ec] = std::from_chars(w[2].data(), w[2].data() + w[2].size(), cell);
    if (ec != std::errc() || p != w[2].data() + w[2].size() || cell >= kSimCellCount)
        return Fail("неверная ячейка " + w[2]);
    const auto code = ParseHexCode(w[3]);
    if (!code) return Fail("неверный код " + w[3]);
    return ActOn(w[1], [&](SimControllerId id) {
        FLine.With(id, [&](SimController& c) { c.SetCell(static_cast<std::uint16_t>(cell), *code); });
    });
}

std::vector<std::string> SimControl::Status() const {
    std::vector<std::string> lines;
    const std::int64_t now = FLine.Clock().NowUs();
    for (SimControllerId id : FLine.Ids()) {
        const auto c = FLine.Snapshot(id);
        if (!c) continue;
        std::string s = "ctrl " + std::to_string(c->Adr()) + " " + std::to_string(c->Baud()) +
                        " pass=" + Hex(c->Password()) + " config=" + Hex(c->Config()) +
                        " cells=" + std::to_string(c->UsedCells()) +
                        " card=" + (c->HasCard() ? Hex(c->Card()) : std::string("none")) +
                        " button=" + (c->Button() ? "on" : "off");
        if (!FLine.IsPlugged(id)) s += " unplugged";
        if (c->Restarting(now)) s += " restarting";
        lines.push_back(s);
    }
    return lines;
}

}  // namespace pelko
