#pragma once
// The engine driven through the real session and worker against simulated
// controllers on virtual time: a whole operation costs no wall-clock waits.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "config/program_settings.h"
#include "engine/device_params.h"
#include "engine/engine.h"
#include "link/pelko_session.h"
#include "tests/engine/test_front_end.h"
#include "model/group_dev.h"
#include "sim/instant_timing.h"
#include "sim/sim_line.h"
#include "sim/sim_serial_port.h"

namespace pelko::test {

// One frame the host sent: address, command, line speed.
struct SentFrame {
    std::uint8_t adr;
    std::uint8_t cmd;
    std::uint32_t baud;
    Bytes bytes;
};

// Random faults run over many seeds (PELKO_FAULT_SEEDS, 20 unless set); a
// failure names its seed.
int FaultSeeds();

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // A fresh line, session, engine and group, for table-driven cases.
    void Restart();

    // A controller on the line; its password and factory password are the
    // program's built-in common password unless given.
    SimControllerId AddController(std::uint8_t adr, std::uint32_t baud = 9600,
                                  const TCode& pass = FactoryPass);
    SimController Sim(SimControllerId id) const { return *line->Snapshot(id); }
    void SetSimCell(SimControllerId id, std::uint16_t cell, const TCode& code);
    void Fault(SimControllerId id, SimFaultKind kind, int command = -1, int skip = 0, int count = -1);

    // Search at the current speed and select the device at adr.
    void SearchAndSelect(std::uint8_t adr);
    TConfPelko& Dev(std::uint8_t adr);

    // Frames of the host since the last ClearSent().
    std::vector<SentFrame> Sent();
    std::size_t CountSent(std::uint8_t cmd, int adr = -1);
    void ClearSent();

    // The operation ended as every operation must.
    void ExpectEnded();

    std::shared_ptr<VirtualClock> clock = std::make_shared<VirtualClock>();
    std::shared_ptr<SimLine> line = std::make_shared<SimLine>(clock);
    TestFrontEnd host;
    std::unique_ptr<TPelkoSession> session;
    TGroupDev group;
    ProgramSettings settings;
    std::unique_ptr<TEngine> engine;
    // The session's port cannot be opened while this is set (an adapter
    // pulled out), though the line itself stays as it is.
    std::atomic<bool> refusePort{false};

private:
    std::mutex FLock;
    std::vector<SentFrame> FSent;
};

TCode Code(std::uint8_t a, std::uint8_t b = 0, std::uint8_t c = 0, std::uint8_t d = 0, std::uint8_t e = 0);

}  // namespace pelko::test
