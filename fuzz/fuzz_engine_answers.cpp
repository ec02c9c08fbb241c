// The engine on a line whose every answer is made from the input: any
// command, length, verdict and address, with a good checksum so that it
// reaches the engine. Every operation, with every state reached along the
// way, must end: no crash, no sanitizer report, no stalled progress window.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>

#include "engine/device_params.h"
#include "engine/engine.h"
#include "engine/settings_dialog_values.h"
#include "tests/engine/test_front_end.h"
#include "link/frame.h"
#include "sim/instant_timing.h"

namespace {

using namespace pelko;

// Input bytes, shared by the worker's port and the operation chooser.
class Input {
public:
    Input(const std::uint8_t* d, std::size_t n) : FData(d, d + n) {}
    bool Take(std::uint8_t& b) {
        std::lock_guard lock(FLock);
        if (FAt >= FData.size()) return false;
        b = FData[FAt++];
        return true;
    }
    std::uint8_t Byte() {
        std::uint8_t b = 0;
        Take(b);
        return b;
    }

private:
    std::mutex FLock;
    Bytes FData;
    std::size_t FAt = 0;
};

// Answers each request with a frame built from the input; silence once the
// input is used up.
class FuzzPort : public SerialPort {
public:
    explicit FuzzPort(Input& in) : FIn(in) {}
    bool setBaudRate(std::uint32_t) override { return true; }
    void setTimeouts(const PortTimeouts&) override {}
    void purge() override { FReply.clear(); }
    std::size_t write(const std::uint8_t* data, std::size_t n) override {
        FReply.clear();
        std::uint8_t how = 0;
        if (n < 3 || !FIn.Take(how)) return n;
        if (how == 0) return n;  // no answer
        Bytes body;
        body.push_back(how & 1 ? data[0] : FIn.Byte());                       // address
        body.push_back(0);                                                     // frame length, below
        body.push_back(how & 2 ? static_cast<std::uint8_t>(data[2] + 1) : FIn.Byte());  // command
        const std::size_t len = how & 4 ? FIn.Byte() % 12 : 6;
        for (std::size_t i = 0; i < len; ++i) body.push_back(i == 0 && (how & 8) ? 0xFF : FIn.Byte());
        body[1] = how & 16 ? FIn.Byte() : static_cast<std::uint8_t>(body.size() + 2);
        const Bytes frame = BuildFrame(body);
        FReply.assign(frame.begin(), frame.end());
        return n;
    }
    std::size_t read(std::uint8_t* buf, std::size_t n) override {
        std::size_t got = 0;
        while (got < n && !FReply.empty()) {
            buf[got++] = FReply.front();
            FReply.pop_front();
        }
        return got;
    }
    void setDtr(bool) override {}
    void setRts(bool) override {}

private:
    Input& FIn;
    std::deque<std::uint8_t> FReply;
};

void Run(Input& in, std::uint8_t op) {
    test::TestFrontEnd host;
    host.StallLimitMs = 5000;
    // The user's answers, given before the command: go on without a backup,
    // drop the devices a speed change would lose.
    const bool yes = (op & 0x80) != 0;
    TGroupAnswers answers;
    answers.dropClosed = yes;
    PortOpener opener = [&in](std::uint8_t, std::string&) -> std::unique_ptr<SerialPort> {
        return std::make_unique<FuzzPort>(in);
    };
    auto clock = std::make_shared<VirtualClock>();
    // The engine's own waits (a reset's restart, the pause between probes)
    // pass on the line's clock, not in real time.
    host.AdvanceClock = [clock](unsigned ms) { clock->AdvanceUs(static_cast<std::int64_t>(ms) * 1000); };
    host.loop.VirtualTickWait = std::chrono::microseconds(200);  // the fuzz port answers at once
    TPelkoSession session(opener, host.Notifier());
    session.SetTiming(std::make_shared<InstantTiming>(clock));
    session.SetFound(false);
    session.SetSearchAddr(false);
    TGroupDev group;
    ProgramSettings settings;
    settings.AutoWriteKey = true;
    settings.AutoReadKey = (op & 0x40) != 0;
    settings.AutoSetDefaultSettings = true;
    TEngine engine(session, group, settings, host, opener);
    host.Attach(&session, &engine);
    for (std::uint8_t adr : {3, 9}) {
        const DevIndex i = group.AddDevice(adr);
        group.SetState(i, dfOpened);
        group.SetState(i, dfParamsRead);
        group.SetState(i, dfInGroup);
        group.SetPass(i, FactoryPass);
        group.SetConfig(i, DefaultConfig(adr));
        group.GetDevice(i, nullptr)->AddCard(1, {1, 2, 3, 4, 5}, "");
        group.GetDevice(i, nullptr)->AddCard(1000, {6, 7, 8, 9, 10}, "");
    }
    group.Select(0);
    engine.ShowList(false, true);
    TDevConfig restore = engine.ParametersOf(0);
    {
        TDeviceParams p = ParamsToDialog(restore);
        p.VParam4 = !p.VParam4;
        DialogToParams(p, restore);
    }
    TDevConfig edited = engine.ParametersOf(0);
    edited[1] ^= 0x10;
    TSettingsDialogValues v = SettingsToDialog(settings);
    switch (op % 20) {
        case 0: engine.Search(settings.AutoReadKey); break;
        case 1: engine.ReadCards(group.Selected()); break;
        case 2: engine.ReadCardsOfAll(); break;
        case 3: engine.WriteCards(group.Selected(), {.withoutBackup = yes}); break;
        case 4: engine.WriteCardsOfAll({.withoutBackup = yes}); break;
        case 5: engine.AddCard(); break;
        case 6: engine.DeleteCard(0); break;
        case 7: engine.CurConf().SelectCard(false, 0); engine.DeleteCard(0); break;
        case 8: engine.MoveCard(0, 7); break;
        case 9: engine.ChangeCardCode(0, {9, 9, 9, 9, 9}); break;
        case 10: engine.CopyCardsTo(1, 0); break;
        case 11:
            engine.CurConf().SelectCard(false, 0);
            engine.CopyCardsTo(1, 0);
            break;
        case 12: engine.WriteParameters(0, edited); break;
        case 13: engine.ChangeAddress(0, 254, std::nullopt); break;
        case 14: engine.OpenWithPassword(0, TextToCode("1122334455")); break;
        case 15:
            engine.GiveCommonPassword(group.Selected());
            host.RunUntil([&] { return !engine.PassChangePending(); });
            break;
        case 16: engine.Reset(group.Selected(), restore, yes); break;
        case 17: v.EdPass = "9988776655"; v.ChSpeed = 4; engine.AcceptProgramSettings(v, answers); break;
        case 18: v.ChSpeed = 5; engine.AcceptProgramSettings(v, answers); break;
        default: engine.SearchAllSpeeds(settings.AutoReadKey); break;
    }
    if (host.Stalled || host.ProgressShown) std::abort();  // the operation never ended
    if (engine.OperState() != osIdle && engine.OperState() != osNone) std::abort();
    if (engine.Busy()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    Input in(data + 1, size - 1);
    Run(in, data[0]);
    return 0;
}
