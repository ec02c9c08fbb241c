#include "engine_fixture.h"

#include <cstdlib>

namespace pelko::test {

int FaultSeeds() {
    const char* env = std::getenv("PELKO_FAULT_SEEDS");
    const int n = env != nullptr ? std::atoi(env) : 0;
    return n > 0 ? n : 20;
}

TCode Code(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d, std::uint8_t e) {
    return {a, b, c, d, e};
}

void EngineTest::SetUp() {
    PortOpener opener = [this, simOpener = MakeSimPortOpener(line)](std::uint8_t port, std::string& error)
        -> std::unique_ptr<SerialPort> {
        if (!refusePort) return simOpener(port, error);
        error = "no adapter";
        return nullptr;
    };
    session = std::make_unique<TPelkoSession>(std::move(opener), host.Notifier());
    session->SetTiming(std::make_shared<InstantTiming>(clock));
    session->SetPortBaudRate(settings.PortBaudRate);
    session->SetTimeOutConstant(settings.TOConstant);
    session->SetTimeOutMultiplier(settings.TOMultiplier);
    session->SetMax_Attempt(SessionMaxAttempt(settings.MaxAttempt));
    session->SetTailinUS(settings.TailinUS);
    session->SetSmartPI(settings.SmartPI);
    session->SetFound(false);
    session->SetSearchAddr(false);
    host.AdvanceClock = [c = clock](unsigned ms) { c->AdvanceUs(static_cast<std::int64_t>(ms) * 1000); };
    engine = std::make_unique<TEngine>(*session, group, settings, host, MakeSimPortOpener(line));
    host.Attach(session.get(), engine.get());
    host.MaxTurns = 100000;  // far past any operation here: a runaway one fails fast
    host.StallLimitMs = 10000;  // the line runs on virtual time: ten real seconds of nothing is a stall
    line->SetLogSink([this](const SimLogEntry& e) {
        if (!e.fromHost || e.bytes.size() < 3) return;
        std::lock_guard lock(FLock);
        FSent.push_back({e.bytes[0], e.bytes[2], e.baud, e.bytes});
    });
}

void EngineTest::TearDown() {
    host.Attach(nullptr, nullptr);
    engine.reset();
    session.reset();
    line->SetLogSink(nullptr);
}

void EngineTest::Restart() {
    TearDown();
    group.Clear();
    host.Stalled = false;
    line = std::make_shared<SimLine>(clock);
    {
        std::lock_guard lock(FLock);
        FSent.clear();
    }
    SetUp();
}

SimControllerId EngineTest::AddController(std::uint8_t adr, std::uint32_t baud, const TCode& pass) {
    SimControllerSetup setup;
    setup.adr = adr;
    setup.baud = baud;
    setup.password = pass;
    setup.factoryPassword = FactoryPass;
    return line->Add(setup);
}

void EngineTest::SetSimCell(SimControllerId id, std::uint16_t cell, const TCode& code) {
    line->With(id, [&](SimController& c) { c.SetCell(cell, code); });
}

void EngineTest::Fault(SimControllerId id, SimFaultKind kind, int command, int skip, int count) {
    SimFault f;
    f.kind = kind;
    f.command = command;
    f.skip = skip;
    f.count = count;
    line->AddFault(id, f);
}

void EngineTest::SearchAndSelect(std::uint8_t adr) {
    engine->Search(settings.AutoReadKey);
    const DevIndex i = group.IndexOfAdr(adr);
    ASSERT_NE(i, NoDevice) << "device " << int(adr) << " not found";
    group.Select(i);
    ClearSent();
    host.Captions.clear();
}

TConfPelko& EngineTest::Dev(std::uint8_t adr) {
    TConfPelko* dev = group.GetDevice(group.IndexOfAdr(adr), nullptr);
    if (dev == nullptr) throw std::runtime_error("no device at that address");
    return *dev;
}

std::vector<SentFrame> EngineTest::Sent() {
    std::lock_guard lock(FLock);
    return FSent;
}

std::size_t EngineTest::CountSent(std::uint8_t cmd, int adr) {
    std::size_t n = 0;
    for (const SentFrame& f : Sent())
        if (f.cmd == cmd && (adr < 0 || f.adr == adr)) ++n;
    return n;
}

void EngineTest::ClearSent() {
    std::lock_guard lock(FLock);
    FSent.clear();
}

void EngineTest::ExpectEnded() {
    EXPECT_FALSE(host.Stalled);
    EXPECT_EQ(engine->OperState(), osIdle);
    EXPECT_FALSE(host.ProgressShown);
    EXPECT_TRUE(session->Active());
}

}  // namespace pelko::test
