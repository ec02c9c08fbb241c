#include "engine/request_queue.h"

#include <iterator>

namespace pelko {

void TRequestQueue::Send(const Bytes& body, int step, std::uint64_t op) {
    std::uint32_t check = 0;
    FSession.AsyncQuery(body, check);
    if (body.size() >= 3) FPending[check] = {body[0], static_cast<std::uint8_t>(body[2] + 1), step, op, body};
}

void TRequestQueue::Request(const Bytes& body, int step, std::uint64_t op) {
    if (!Idle()) {
        FHeld.push_back({body, step});
        return;
    }
    Send(body, step, op);
}

void TRequestQueue::Scan(const Bytes& addresses, int step, std::uint64_t op) {
    if (!Idle()) return;
    std::uint32_t check = 0;
    FSession.AsyncScan(addresses, check);
    FPending[check] = {0, 0, step, op, addresses, true};
}

void TRequestQueue::Quiet(int step, std::uint64_t op) {
    if (!Idle()) return;
    std::uint32_t check = 0;
    FSession.AsyncQuiet(check);
    FPending[check] = {0, 0, step, op, {}, false, true};
}

void TRequestQueue::SendOutside(const Bytes& body, Handler onAnswer) {
    FOutsideAnswer = std::move(onAnswer);
    Send(body, 0, 0);
}

bool TRequestQueue::Outstanding() const {
    for (const auto& [check, p] : FPending)
        if (p.op != 0) return true;
    return false;
}

bool TRequestQueue::TakeAnswered(std::uint32_t check, Pending& into) {
    const auto it = FPending.find(check);
    if (it == FPending.end() || it->second.scan || it->second.quiet) return false;
    into = it->second;
    FPending.erase(it);
    FAnswered.emplace_back(check, into);
    while (FAnswered.size() > kAnsweredKept) FAnswered.pop_front();
    return true;
}

bool TRequestQueue::TakeOwn(std::uint32_t check, bool scan, Pending& into) {
    const auto it = FPending.find(check);
    if (it == FPending.end() || it->second.scan != scan || it->second.quiet != !scan) return false;
    into = it->second;
    FPending.erase(it);
    return true;
}

const TRequestQueue::Pending* TRequestQueue::Doubted(std::uint32_t check) const {
    for (const auto& [c, p] : FAnswered)
        if (c == check) return &p;
    return nullptr;
}

void TRequestQueue::ReleaseHeld(std::uint64_t op) {
    if (FHeld.empty() || Outstanding()) return;
    Held next = std::move(FHeld.front());
    FHeld.pop_front();
    Send(next.body, next.step, op);
}

void TRequestQueue::ForgetOperations() {
    FHeld.clear();
    for (auto it = FPending.begin(); it != FPending.end();)
        it = it->second.op != 0 ? FPending.erase(it) : std::next(it);
}

// The worker is gone with every request it held: none of their answers will
// come, and a change outside any operation is found out later by login.
void TRequestQueue::DropAll() {
    for (const auto& [check, p] : FPending)
        if (p.op == 0) FOutsideDropped = std::move(FOutsideAnswer);
    FPending.clear();
}

}  // namespace pelko
