#pragma once
// The engine's requests on the line: which operation and step sent each
// (by the session's Check), which wait for the one on the line, the last
// answered ones a later doubt may still name, and the one request sent
// outside any operation with its handler. One request of an operation is
// on the line at a time, so a Cancel can stop the rest.
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <utility>

#include "engine/request_bodies.h"
#include "link/bytes.h"
#include "link/pelko_session.h"

namespace pelko {

class TRequestQueue {
public:
    struct Pending {
        std::uint8_t adr = 0;
        std::uint8_t answerCmd = 0;
        int step = 0;
        std::uint64_t op = 0;  // serial of the operation that sent it; 0 outside any
        Bytes body;            // for a search of the line, the addresses
        bool scan = false;
        bool quiet = false;
    };
    using Handler = std::function<void(const TAnswer&)>;

    explicit TRequestQueue(TPelkoSession& session) : FSession(session) {}

    // An operation's request: on the line now when nothing of it is, else held.
    void Request(const Bytes& body, int step, std::uint64_t op);
    // A search of the line, or a quiet wait; only with nothing of the operation on the line.
    void Scan(const Bytes& addresses, int step, std::uint64_t op);
    void Quiet(int step, std::uint64_t op);
    void SendOutside(const Bytes& body, Handler onAnswer);

    bool Outstanding() const;  // a request of an operation awaits its answer
    bool Idle() const { return FHeld.empty() && !Outstanding(); }
    bool OutsidePending() const { return FOutsideAnswer || FOutsideDropped; }

    // The request an answer is for, kept for later doubts; false when none.
    bool TakeAnswered(std::uint32_t check, Pending& into);
    // A search or a quiet wait handed back; false when it is not one.
    bool TakeOwn(std::uint32_t check, bool scan, Pending& into);
    // The answered request a doubt names, when it is still kept.
    const Pending* Doubted(std::uint32_t check) const;
    Handler TakeOutsideHandler() { return std::exchange(FOutsideAnswer, nullptr); }

    // The next held request of operation op, once nothing is on the line.
    void ReleaseHeld(std::uint64_t op);
    void ClearHeld() { FHeld.clear(); }
    // The operation ended: its requests still out and held are forgotten.
    void ForgetOperations();
    // The worker stopped with every request it held; the outside one's
    // handler waits for DroppedHandler.
    void DropAll();
    Handler TakeDroppedHandler() { return std::exchange(FOutsideDropped, nullptr); }
    bool HasDropped() const { return static_cast<bool>(FOutsideDropped); }
    // What is on the line, for one that went away with it.
    const std::map<std::uint32_t, Pending>& OnTheLine() const { return FPending; }

private:
    void Send(const Bytes& body, int step, std::uint64_t op);

    // Answered requests a later doubt can still name: the link doubts no
    // more than its last few exchanges.
    static constexpr std::size_t kAnsweredKept = 16;
    struct Held {
        Bytes body;
        int step;
    };

    TPelkoSession& FSession;
    std::map<std::uint32_t, Pending> FPending;
    std::deque<Held> FHeld;
    std::deque<std::pair<std::uint32_t, Pending>> FAnswered;
    Handler FOutsideAnswer;
    // Its request went with a stopped worker: the answer can no longer come,
    // so it is handed the failure answer once the line can be asked again.
    Handler FOutsideDropped;
};

}  // namespace pelko
