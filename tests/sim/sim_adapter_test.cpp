// The host's USB adapter: bytes held until its latency timer runs out or a
// packet fills, alone and through the in-process port.
#include "sim/sim_adapter.h"

#include <gtest/gtest.h>

#include "sim/sim_serial_port.h"
#include "sim_test_util.h"

namespace pelko {
namespace {

using testing::Req;

using Times = std::vector<std::int64_t>;

// count bytes, the first at first, one every step.
Times Spaced(std::int64_t first, std::int64_t step, std::size_t count) {
    Times t;
    for (std::size_t i = 0; i < count; ++i) t.push_back(first + static_cast<std::int64_t>(i) * step);
    return t;
}

Times Same(std::int64_t at, std::size_t count) { return Times(count, at); }

Times Join(std::initializer_list<Times> parts) {
    Times out;
    for (const Times& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

struct DeliveryCase {
    const char* name;
    std::int64_t timerUs;
    Times wire;
    Times host;
};

// 9600 baud: a byte every 1042 us; 115200: every 87 us.
const DeliveryCase kDeliveries[] = {
    {"NoAdapterPassesAtOnce", 0, Spaced(1042, 1042, 11), Spaced(1042, 1042, 11)},
    {"AnswerHeldUntilTheTimer", 16000, Spaced(1042, 1042, 11), Same(17042, 11)},
    {"TimerCountsFromTheFirstByteHeld", 16000, Spaced(1042, 1042, 17), Join({Same(17042, 16), Same(33714, 1)})},
    {"LowLatencyAtSlowSpeedByteByByte", 1000, Spaced(1042, 1042, 3), Times{2042, 3084, 4126}},
    {"LowLatencyAtHighSpeedInSmallPackets", 1000, Spaced(87, 87, 20), Join({Same(1087, 12), Same(2131, 8)})},
    {"FullPacketGoesAtOnce", 16000, Spaced(87, 87, 70), Join({Same(62 * 87, 62), Same(63 * 87 + 16000, 8)})},
    {"ByteAtTheTimersEndStillGoes", 16000, Times{1000, 17000, 17001}, Times{17000, 17000, 33001}},
    {"LaterAnswerStartsAfresh", 16000, Times{1000, 2000, 30000}, Times{17000, 17000, 46000}},
};

class AdapterDeliveryTest : public ::testing::TestWithParam<DeliveryCase> {};

TEST_P(AdapterDeliveryTest, HeldUntilTimerOrFullPacket) {
    EXPECT_EQ(AdapterDeliveryUs(GetParam().wire, GetParam().timerUs), GetParam().host);
}

INSTANTIATE_TEST_SUITE_P(Cases, AdapterDeliveryTest, ::testing::ValuesIn(kDeliveries),
                         [](const auto& info) { return std::string(info.param.name); });

// A card poll through the in-process port: where the clock stands once the
// whole answer is read, for each timer and speed. B is a byte's time; the
// request is 5 bytes, the answer 11, the turnaround 1 ms.
struct PortCase {
    std::uint32_t baud;
    std::int64_t timerUs;
    // When the last answer byte reaches the program, from the byte time.
    std::int64_t (*expectUs)(std::int64_t B);
};

const PortCase kPorts[] = {
    {9600, 0, [](std::int64_t B) { return 16 * B + 1000; }},
    {115200, 0, [](std::int64_t B) { return 16 * B + 1000; }},
    // All 11 bytes are in before 16 ms: they go together, 16 ms after the first.
    {9600, 16000, [](std::int64_t B) { return 6 * B + 1000 + 16000; }},
    {115200, 16000, [](std::int64_t B) { return 6 * B + 1000 + 16000; }},
    // 1 ms: at 9600 each byte alone, 1 ms after it came; at 115200 all in one packet.
    {9600, 1000, [](std::int64_t B) { return 16 * B + 1000 + 1000; }},
    {115200, 1000, [](std::int64_t B) { return 6 * B + 1000 + 1000; }},
};

TEST(SimPortAdapter, AnswerReachesTheProgramWhenTheAdapterHandsItOn) {
    for (const PortCase& c : kPorts) {
        SCOPED_TRACE(::testing::Message() << c.baud << " baud, timer " << c.timerUs << " us");
        auto clock = std::make_shared<VirtualClock>();
        auto line = std::make_shared<SimLine>(clock);
        line->Add({.adr = 3, .baud = c.baud});
        line->SetAdapterLatencyUs(c.timerUs);
        std::string error;
        auto port = SimSerialPort::Open(line, error);
        port->setBaudRate(c.baud);
        port->setTimeouts({0, 1, 120});
        const Bytes req = Req(3, 0x02);
        port->write(req.data(), req.size());
        Bytes a(11);
        ASSERT_EQ(port->read(a.data(), 6), 6u);
        ASSERT_EQ(port->read(a.data() + 6, 5), 5u);
        EXPECT_TRUE(AcceptAnswer(req, a));
        EXPECT_EQ(clock->NowUs(), c.expectUs(ByteTimeUs(c.baud)));
    }
}

// The program asks for low latency between two exchanges (pelko-sim's
// `latency 1`): the next answer is held 1 ms, not 16.
TEST(SimPortAdapter, LoweredTimerTakesEffectAtTheNextAnswer) {
    auto clock = std::make_shared<VirtualClock>();
    auto line = std::make_shared<SimLine>(clock);
    line->Add({.adr = 3, .baud = 115200});
    line->SetAdapterLatencyUs(16000);
    std::string error;
    auto port = SimSerialPort::Open(line, error);
    port->setBaudRate(115200);
    port->setTimeouts({0, 1, 120});
    auto exchangeUs = [&] {
        const std::int64_t t0 = clock->NowUs();
        const Bytes req = Req(3, 0xFE);
        port->write(req.data(), req.size());
        Bytes a(6);
        EXPECT_EQ(port->read(a.data(), 6), 6u);
        return clock->NowUs() - t0;
    };
    const std::int64_t B = ByteTimeUs(115200);
    EXPECT_EQ(exchangeUs(), 6 * B + 1000 + 16000);
    line->SetAdapterLatencyUs(1000);
    EXPECT_EQ(exchangeUs(), 6 * B + 1000 + 1000);
}

}  // namespace
}  // namespace pelko
