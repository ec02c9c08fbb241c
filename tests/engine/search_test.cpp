// Device search at the current speed, over every speed, and over the group
// of a loaded configuration file.
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "config/config_reader.h"
#include "config/config_writer.h"
#include "engine/engine_file_host.h"
#include "engine_fixture.h"
#include "link/frame.h"

namespace pelko::test {
namespace {

const TCode kOwnPass = Code(0xA1, 0xB2, 0xC3, 0xD4, 0xE5);

std::vector<std::uint8_t> ProbedAt(const std::vector<SentFrame>& sent, std::uint32_t baud) {
    std::vector<std::uint8_t> out;
    for (const SentFrame& f : sent)
        if (f.cmd == 0xFE && f.baud == baud) out.push_back(f.adr);
    return out;
}

using SearchTest = EngineTest;

TEST_F(SearchTest, FindsOpensAndReadsEveryDeviceOnTheLine) {
    AddController(3);
    AddController(17, 9600, kOwnPass);
    engine->Search(settings.AutoReadKey);
    ExpectEnded();
    ASSERT_EQ(group.Count(), 2);
    EXPECT_EQ(Dev(3).Name, "Прибор: 3");
    EXPECT_EQ(Dev(3).State, 0b0111);  // connected, opened, parameters read
    EXPECT_EQ(Dev(3).Pass, settings.StandPass);
    EXPECT_EQ(Dev(3).Config, (TDevConfig{0x0F, 0x03, 3, 0x10, 0xA9}));
    // The common password does not open 17: it stays connected only.
    EXPECT_EQ(Dev(17).State, 0b0001);
    const std::vector<std::uint8_t> probed = ProbedAt(Sent(), 9600);
    EXPECT_EQ(std::set<std::uint8_t>(probed.begin(), probed.end()).size(), 254u);
    EXPECT_EQ(host.Captions.front(), "Поиск приборов: выполнено 0 %.");
    EXPECT_EQ(host.Captions.back(), "Поиск приборов: выполнено 100 %.");
    EXPECT_EQ(host.ModalCount, 1);
}

// The line is searched with a short wait: a controller 100 ms slow is still
// found, each controller is opened once, and the window shows how far the
// search has got and how many answered.
TEST_F(SearchTest, FindsASlowControllerOnceAndShowsAddressesDoneAndControllersFound) {
    AddController(3);
    AddController(17);
    const SimControllerId slow = AddController(40);
    line->With(slow, [](SimController& c) { c.SetAnswerDelayUs(100'000); });
    engine->Search(settings.AutoReadKey);
    ExpectEnded();
    ASSERT_EQ(group.Count(), 3);
    for (std::uint8_t adr : {3, 17, 40}) {
        SCOPED_TRACE(int(adr));
        EXPECT_EQ(Dev(adr).State, 0b0111);
        EXPECT_EQ(CountSent(0x24, adr), 1u);  // one login each
        EXPECT_EQ(CountSent(0x36, adr), 1u);
    }
    // 40's answer came after the short wait: its address (and those its
    // answer may have met on the wire) are asked again with the full one.
    const std::string head = "Поиск приборов: выполнено 100 %. Проверено адресов: ";
    const std::string tail = ", найдено приборов: 3.";
    bool counted = false;
    for (const std::string& c : host.Captions)
        counted = counted || (c.rfind(head, 0) == 0 && c.size() > tail.size() &&
                              c.compare(c.size() - tail.size(), tail.size(), tail) == 0);
    EXPECT_TRUE(counted);
    EXPECT_GE(CountSent(0xFE, 40), 2u);
    EXPECT_EQ(host.Captions.back(), "Поиск приборов: выполнено 100 %.");
}

// Cancel while the line is searched stops it after the probe in flight: what
// answered by then is shown connected, nothing more is asked, and the next
// search finds everything.
TEST_F(SearchTest, CancelStopsTheSearchOfTheLine) {
    AddController(3);
    AddController(200);
    // The worker is held at the probe of 60 until Cancel has been pressed.
    std::atomic<bool> at60{false};
    std::atomic<int> probes{0}, logins{0};
    // The host sleeps until the worker wakes it; held here, the worker would not.
    const auto wakeHost = host.Notifier();
    line->SetLogSink([this, &at60, &probes, &logins, &wakeHost](const SimLogEntry& e) {
        if (!e.fromHost || e.bytes.size() < 3) return;
        probes += e.bytes[2] == 0xFE ? 1 : 0;
        logins += e.bytes[2] == 0x24 ? 1 : 0;
        if (e.bytes[0] != 60 || e.bytes[2] != 0xFE) return;
        at60 = true;
        wakeHost();
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!session->ScanStopAsked() && std::chrono::steady_clock::now() < giveUp) std::this_thread::yield();
    });
    host.CancelWhen = [&at60] { return at60.load(); };
    engine->Search(settings.AutoReadKey);
    host.CancelWhen = nullptr;
    line->SetLogSink(nullptr);
    EXPECT_EQ(probes, 60);  // the probe in flight was the last
    EXPECT_EQ(logins, 0);
    EXPECT_FALSE(host.Stalled);
    EXPECT_EQ(engine->OperState(), osIdle);
    ASSERT_EQ(group.Count(), 1);
    EXPECT_EQ(Dev(3).State, 0b0001);
    engine->Search(settings.AutoReadKey);
    ExpectEnded();
    EXPECT_EQ(group.Count(), 2);
    EXPECT_EQ(Dev(200).State, 0b0111);
}

TEST_F(SearchTest, KnownDeviceLogsInWithItsStoredPassword) {
    AddController(17, 9600, kOwnPass);
    group.SetPass(group.AddDevice(17), kOwnPass);
    engine->Search(settings.AutoReadKey);
    EXPECT_TRUE(group.GetState(0, dfOpened));
    EXPECT_EQ(Dev(17).Pass, kOwnPass);
}

TEST_F(SearchTest, AutoReadKeyReadsTheCardsOfEachOpenedDevice) {
    const SimControllerId id = AddController(5);
    SetSimCell(id, 0, Code(1));
    SetSimCell(id, 1009, Code(2));
    settings.AutoReadKey = true;
    engine->Search(settings.AutoReadKey);
    ExpectEnded();
    EXPECT_EQ(Dev(5).UserCount(), 1);
    EXPECT_EQ(Dev(5).MasterCount(), 1);
    EXPECT_TRUE(group.GetState(0, dfParamsRead));
    EXPECT_TRUE(session->ERUniqueButton());
    EXPECT_EQ(engine->Progress().Max, 254);  // the search's own bar is back
    EXPECT_EQ(host.Captions.back(), "Поиск приборов: выполнено 100 %.");
}

TEST_F(SearchTest, AllSpeedsFindsTheFirstDeviceAndContinuesFromTheNextAddress) {
    AddController(17, 19200);
    AddController(30, 19200);
    engine->SearchAllSpeeds(settings.AutoReadKey);
    EXPECT_FALSE(host.Stalled);
    EXPECT_EQ(engine->OperState(), osIdle);
    ASSERT_EQ(group.Count(), 2);
    EXPECT_TRUE(group.GetState(0, dfOpened));
    EXPECT_TRUE(group.GetState(1, dfOpened));
    EXPECT_EQ(settings.PortBaudRate, 19200);
    EXPECT_EQ(settings.PrevBaudRate, 19200);
    EXPECT_TRUE(session->Active());
    EXPECT_EQ(session->PortBaudRate(), 19200);
    EXPECT_EQ(session->Max_Attempt(), 3);
    EXPECT_EQ(session->TimeOutConstant(), 120);
    // At 19200 the line is searched once; the two found are opened from it.
    std::vector<std::uint8_t> expected;
    for (int a = 1; a <= 254; ++a) expected.push_back(static_cast<std::uint8_t>(a));
    EXPECT_EQ(ProbedAt(Sent(), 19200), expected);
    for (std::uint32_t baud : {2400u, 4800u, 9600u}) EXPECT_EQ(ProbedAt(Sent(), baud).size(), 254u) << baud;
}

TEST_F(SearchTest, AllSpeedsWithNothingOnTheLineLeavesThePortClosedAtTheOldSpeed) {
    engine->SearchAllSpeeds(settings.AutoReadKey);
    EXPECT_FALSE(host.Stalled);
    EXPECT_FALSE(session->Active());
    EXPECT_EQ(session->PortBaudRate(), 9600);
    EXPECT_EQ(group.Count(), 0);
    std::vector<std::uint32_t> bauds;
    for (const SentFrame& f : Sent())
        if (bauds.empty() || bauds.back() != f.baud) bauds.push_back(f.baud);
    EXPECT_EQ(bauds, (std::vector<std::uint32_t>{2400, 4800, 9600, 19200, 38400, 57600, 115200}));
}

TEST_F(SearchTest, AllSpeedsDoesNothingWhenTheGroupHoldsDevices) {
    AddController(17, 19200);
    group.AddDevice(5);
    engine->SearchAllSpeeds(settings.AutoReadKey, host.Done());
    EXPECT_FALSE(host.LastResult.started);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(host.ModalCount, 0);
}

TEST_F(SearchTest, PortThatCannotBeOpenedIsReportedAndNothingIsSent) {
    const bool taken = line->TryAttach();  // another program holds the port
    ASSERT_TRUE(taken);
    engine->Search(settings.AutoReadKey);
    line->Detach();
    ASSERT_EQ(host.Messages.size(), 1u);
    // The first line is the program's; the second says why.
    const std::string& text = host.Messages[0].text;
    EXPECT_EQ(text.substr(0, text.find("\r\n")), "COM порт 1 недоступен");
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    EXPECT_EQ(host.Messages[0].caption, "Сообщение");
    EXPECT_EQ(host.ModalCount, 0);
}

TEST_F(SearchTest, GroupSearchAfterAFileLoadProbesOnlyTheDevicesOfTheFile) {
    AddController(3);
    AddController(9);
    AddController(17, 9600, kOwnPass);
    SilentConfigHost boxes;
    EngineFileHost fileHost(*session, boxes, host);
    settings.CircleFind = 0;  // the file's worker re-probes no absent address
    {
        // A file holding 3, 17 (with its own password) and 40, which is absent.
        TGroupDev saved;
        for (std::uint8_t adr : {3, 17, 40}) saved.SetState(saved.AddDevice(adr), dfInGroup);
        saved.SetPass(saved.IndexOfAdr(17), kOwnPass);
        const std::string text = SaveToFile(settings, saved, fileHost);
        engine->Search(settings.AutoReadKey);  // 3 and 9 are known from a search before
        ClearSent();
        ReadFromFile(text, settings, group, fileHost);
    }
    ASSERT_EQ(group.Count(), 4);
    engine->SearchGroup(settings.AutoReadKey);
    ExpectEnded();
    std::set<std::uint8_t> probed;
    for (std::uint8_t adr : ProbedAt(Sent(), 9600)) probed.insert(adr);
    // 3 was opened before the load and is not taken from the file; it is not in the group.
    EXPECT_EQ(probed, (std::set<std::uint8_t>{17, 40}));
    EXPECT_TRUE(group.GetStateByAdr(17, dfOpened));
    EXPECT_EQ(Dev(17).Pass, kOwnPass);
    EXPECT_FALSE(group.GetStateByAdr(40, dfConnected));
    EXPECT_EQ(host.Captions.back(), "Поиск приборов: выполнено 100 %.");
}

TEST_F(SearchTest, AnswerWhileIdleChangesNothing) {
    AddController(3);
    engine->Search(settings.AutoReadKey);
    const std::uint8_t state = Dev(3).State;
    const Bytes refusal = BuildFrame({3, 6, 0x25, 0x00});
    session->OnAsyncAnswer(refusal, 999);
    session->OnAsyncAnswer(FailureAnswer(), 1000);
    EXPECT_EQ(Dev(3).State, state);
    EXPECT_EQ(engine->OperState(), osIdle);
}

}  // namespace
}  // namespace pelko::test
