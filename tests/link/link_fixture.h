#pragma once
// A session on the scripted line, with its host loop and virtual clock.
#include <gtest/gtest.h>

#include <memory>

#include "fake_line.h"
#include "link/pelko_session.h"
#include "session_pump.h"

namespace pelko::test {

class LinkFixture : public ::testing::Test {
protected:
    void SetUp() override {
        session = std::make_unique<TPelkoSession>(FakeOpener(bus, refuse), pump.Notifier());
        session->SetTiming(timing);
        session->SetFound(false);
    }
    void TearDown() override { session.reset(); }

    void AddControllers(std::initializer_list<std::uint8_t> addresses) {
        for (std::uint8_t a : addresses) bus->SetController(a, FakeController{});
    }

    // Returns once the worker has finished the pass it was in: queued
    // requests and the events of earlier exchanges are all through.
    void Barrier() {
        Bytes answer;
        session->SyncQuery(Bytes{250, 0x05, 0x10}, answer);
    }

    void RunUntil(const std::function<bool()>& done) { pump.RunUntil(*session, done); }

    std::shared_ptr<FakeTiming> timing = std::make_shared<FakeTiming>();
    std::shared_ptr<FakeBus> bus = std::make_shared<FakeBus>(timing);
    std::shared_ptr<std::atomic<bool>> refuse = std::make_shared<std::atomic<bool>>(false);
    SessionPump pump;
    std::unique_ptr<TPelkoSession> session;
};

}  // namespace pelko::test
