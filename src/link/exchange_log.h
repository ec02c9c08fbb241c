#pragma once
// What went over the wire: one record per exchange the worker makes, handed
// to a reader through a bounded queue so the worker never waits for it.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "link/bytes.h"

namespace pelko {

enum class Verdict : std::uint8_t {
    Ok,            // accepted
    OtherAddress,  // accepted, but another controller answered
    NoAnswer,
    Short,         // fewer bytes than a frame needs or than it declares
    BadLength,     // too long, or the length byte undercounts
    BadChecksum,
    OtherCommand,
    Refused,       // the single data byte 0x22: busy
    NotSent,       // the write fell short
};

struct ExchangeAttempt {
    Bytes received;
    Verdict verdict = Verdict::NoAnswer;
    std::int64_t sentUs = 0;       // when the write started, the worker's clock
    std::int64_t roundTripUs = 0;  // from the write to the end of the read
};

struct ExchangeRecord {
    std::int64_t startUs = 0;  // the worker's monotonic clock
    std::int64_t wallUs = 0;   // microseconds since the epoch, for display
    std::int32_t baud = 0;
    Bytes request;  // the whole frame, checksum included
    std::vector<ExchangeAttempt> attempts;

    Verdict verdict() const { return attempts.empty() ? Verdict::NotSent : attempts.back().verdict; }
    bool accepted() const { return verdict() == Verdict::Ok || verdict() == Verdict::OtherAddress; }
};

// Classifies the n bytes received against the request body, in the order the
// link applies its acceptance rules.
Verdict Classify(const Bytes& request, const std::uint8_t* answer, std::size_t n);

const char* VerdictText(Verdict v);   // "ok", "нет ответа", ...
std::string CommandName(const Bytes& request);  // "опрос", "чтение ячейки 17", ...
std::string HexBytes(const Bytes& b);  // "03 05 FE A8 74"
// The same with the password bytes of login and password-change frames as
// "**": what is saved to a file names no password.
std::string MaskedHexBytes(const Bytes& frame);

// Bounded single-reader queue. Push (worker) drops the oldest record when the
// reader has fallen behind, and counts it.
class ExchangeLog {
public:
    explicit ExchangeLog(std::size_t capacity = 8192) : FCapacity(capacity ? capacity : 1) {}

    void Push(ExchangeRecord&& record);
    // Moves every queued record into out (appended), oldest first.
    void Drain(std::vector<ExchangeRecord>& out);
    std::uint64_t Dropped() const;

private:
    const std::size_t FCapacity;
    mutable std::mutex FLock;
    std::deque<ExchangeRecord> FQueue;
    std::uint64_t FDropped = 0;
};

}  // namespace pelko
