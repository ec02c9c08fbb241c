#pragma once
// The host's serial port on a simulated line, in-process. A write hands the
// bytes to the line at the port's speed; a read returns the answer bytes that
// have arrived by the time a real port would return, honouring the time-outs.
// Time is the line's clock: with a virtual clock nothing ever waits, the clock
// jumps to when the bytes (or the time-out) come; with a real clock reads sleep.
//
// Through an adapter (SimLine::SetAdapterLatencyUs) bytes reach the port as
// the adapter hands them on (sim_adapter.h).
//
// Half duplex like the wire: answer bytes that start while the host drives the
// line (while it sends, and while it holds RTS up) are lost.
//
// Like a real port handle it is used by one thread at a time; the line behind
// it may be changed from any thread meanwhile.
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <memory>
#include <string>

#include "link/serial_port.h"
#include "sim/sim_line.h"

namespace pelko {

class SimSerialPort : public SerialPort {
public:
    // Takes the line for itself; Open() checks that it is free.
    explicit SimSerialPort(std::shared_ptr<SimLine> line, std::string name = "COM1");
    ~SimSerialPort() override;
    SimSerialPort(const SimSerialPort&) = delete;
    SimSerialPort& operator=(const SimSerialPort&) = delete;

    // nullptr and a message when another port holds the line.
    static std::unique_ptr<SimSerialPort> Open(std::shared_ptr<SimLine> line, std::string& error,
                                               std::string name = "COM1");

    bool setBaudRate(std::uint32_t baud) override;
    void setTimeouts(const PortTimeouts& t) override;
    // Drops the bytes that have arrived; those still on their way (a late
    // answer) arrive afterwards, as on a real port.
    void purge() override;
    std::size_t write(const std::uint8_t* data, std::size_t n) override;
    std::size_t read(std::uint8_t* buf, std::size_t n) override;
    std::size_t readArrived(std::uint8_t* buf, std::size_t n) override;
    void setDtr(bool on) override { FDtr = on; }
    void setRts(bool on) override;
    void abortWait() override;
    // The line's SetPortLost(true) unplugs the port under its user.
    std::string lostMessage() const override;

    std::uint32_t BaudRate() const { return FBaud; }
    const PortTimeouts& Timeouts() const { return FTimeouts; }
    bool Dtr() const { return FDtr; }
    bool Rts() const { return FRts; }
    std::size_t Pending() const { return FRx.size(); }

private:
    using RxByte = SimRxByte;

    // Queues a frame's bytes, or puts a collision in place of a frame queued before.
    void Receive(const SimAnswer& a);
    // Answer bytes starting in [fromUs, toUs) meet the host's own driver.
    void DropDriven(std::int64_t fromUs, std::int64_t toUs);
    // When the bytes not yet the host's reach it through the line's adapter.
    void ThroughAdapter(std::int64_t now);

    std::shared_ptr<SimLine> FLine;
    std::string FName;
    std::uint32_t FBaud = 9600;
    PortTimeouts FTimeouts;
    std::deque<RxByte> FRx;
    std::int64_t FTxEndUs = 0;
    bool FDtr = false;
    bool FRts = false;
    std::int64_t FRtsSinceUs = 0;
    std::mutex FAbortLock;
    std::condition_variable FAbortCond;
    bool FAborted = false;
};

// Opener for TPelkoSession: every port number opens the line, or only
// onlyComPort when it is not 0.
PortOpener MakeSimPortOpener(std::shared_ptr<SimLine> line, std::uint8_t onlyComPort = 0);

}  // namespace pelko
