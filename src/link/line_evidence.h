#pragma once
// A cell's answer does not carry the cell's number: the worker pairs answers
// with requests by their order on the line alone. Bytes the line holds
// outside that order are evidence that a recent pairing may be wrong. This
// keeps the count of answers that may still come late (one per attempt that
// heard nothing), takes the bytes found between exchanges, and names the
// recent exchanges that such bytes cast doubt on.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "link/bytes.h"

namespace pelko {

class LineEvidence {
public:
    // Each frame too many may have been taken, in turn, by one of the last
    // exchanges: k frames too many put the last k + 1 in doubt (the one
    // before them too, whose own answer may be the one still coming), up to
    // this many.
    static constexpr std::size_t kSuspects = 8;

    // An attempt went out and heard nothing: its answer may yet come.
    void Missed() { ++FOwed; }
    // An exchange took an answer: a queued request's (named by its check)
    // or the worker's own.
    void Accepted(std::uint32_t check) { Accept({true, check}); }
    void AcceptedOwn() { Accept({false, 0}); }
    // Bytes found on the line outside an answer. Whole frames up to the
    // number of answers still owed are those answers come late; anything
    // more, or bytes that make no frame, is evidence. A frame cut short
    // waits here for its rest.
    void Heard(const std::uint8_t* bytes, std::size_t n);
    // Bytes an attempt read that make no answer to its request.
    void Stray() { Doubt(); }
    // A whole frame from another address the worker waited on, read during
    // an attempt: one of the answers owed, or evidence.
    void LateFrame();
    // The line has been quiet for as long as an answer can take: nothing is
    // owed any more, and a frame still cut short never ends.
    void Quiet();
    // The line did not fall quiet: until it does, every answer taken is in
    // doubt as soon as it is taken.
    void Babbling();
    bool Owed() const { return FOwed > 0; }

    // The queued requests whose answers are now in doubt; each named once.
    std::vector<std::uint32_t> TakeDoubts();

private:
    struct Exchange {
        bool queued;
        std::uint32_t check;
        bool doubted = false;
    };
    void Accept(Exchange e);
    void Doubt();
    void TakeFrames();

    int FOwed = 0;
    std::size_t FExtra = 0;  // frames too many since the last exchange
    bool FBabbling = false;
    std::deque<Exchange> FRecent;  // accepted exchanges, newest last
    std::vector<std::uint32_t> FDoubts;
    Bytes FPending;         // bytes that do not yet make a whole frame
    bool FGarbage = false;  // in a run of bytes that make no frame
};

}  // namespace pelko
