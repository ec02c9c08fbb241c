// What the worker makes of bytes found on the line between exchanges.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "link/frame.h"
#include "link/line_evidence.h"

namespace pelko {
namespace {

Bytes Cell(std::uint8_t last) { return BuildFrame(MakeBody(3, 0x21, {0x12, 0x34, 0x56, 0x78, last})); }

// One step of a script: A<check> an accepted queued exchange, O one of the
// worker's own, M a missed attempt, F a whole frame heard, H the first half
// of one, R its rest, G bytes that make no frame, S a stray read in an
// attempt, L a late frame from another address, Q the line found quiet, B
// the line found still talking.
void Play(LineEvidence& e, const std::string& script) {
    const Bytes frame = Cell(0x22);
    const std::size_t half = frame.size() / 2;
    for (std::size_t i = 0; i < script.size(); ++i) {
        switch (script[i]) {
            case 'A': e.Accepted(static_cast<std::uint32_t>(script[++i] - '0')); break;
            case 'O': e.AcceptedOwn(); break;
            case 'M': e.Missed(); break;
            case 'F': e.Heard(frame.data(), frame.size()); break;
            case 'H': e.Heard(frame.data(), half); break;
            case 'R': e.Heard(frame.data() + half, frame.size() - half); break;
            case 'G': e.Heard(Bytes{0x03, 0x40, 0x01}.data(), 3); break;
            case 'S': e.Stray(); break;
            case 'L': e.LateFrame(); break;
            case 'Q': e.Quiet(); break;
            case 'B': e.Babbling(); break;
            default: FAIL() << "script " << script;
        }
    }
}

TEST(LineEvidence, WhatCastsDoubtAndOnWhom) {
    struct Case {
        const char* script;
        std::vector<std::uint32_t> doubts;
    };
    const Case cases[] = {
        {"A0A1A2Q", {}},               // a clean line costs nothing
        {"A1A2F", {1, 2}},             // an answer too many: the last two may be shifted
        {"A1A2A3F", {2, 3}},           // only the last two can have taken it
        {"A1MA2F", {}},                // the missed attempt's answer, come late
        {"A1MA2FF", {1, 2}},           // one owed, two came
        {"A1A2MFF", {1, 2}},
        {"A1A2HR", {1, 2}},            // a frame in two pieces is still a frame
        {"A1A2MHR", {}},
        {"A1A2HQ", {1, 2}},            // cut short and never ended
        {"A1A2G", {1, 2}},             // bytes that make no frame
        {"A1A2A3A4A5GFFF", {1, 2, 3, 4, 5}},  // and whole frames after them still count
        {"A1A2S", {1, 2}},
        {"A1A2L", {1, 2}},             // another address's frame, nothing owed
        {"A1MA2L", {}},
        {"A1A2MQF", {1, 2}},           // owed answers end with the quiet
        {"A1OF", {1}},                 // the worker's own exchange is nobody's to ask again
        {"A1A2FA3F", {1, 2, 3}},       // each doubt named once
        {"A1A2FF", {1, 2}},
        // Three copies came before three answers: the last three took them.
        {"A1A2A3A4A5FFF", {2, 3, 4, 5}},
        {"A1A2A3A4A5MFFF", {3, 4, 5}},
        // A line that would not fall quiet: what it gives is doubted as it comes.
        {"A1A2BA3A4", {3, 4}},
        {"A1BA2QA3F", {2, 3}},
    };
    for (const Case& c : cases) {
        LineEvidence e;
        Play(e, c.script);
        std::vector<std::uint32_t> doubts = e.TakeDoubts();
        std::sort(doubts.begin(), doubts.end());
        EXPECT_EQ(doubts, c.doubts) << c.script;
        EXPECT_TRUE(e.TakeDoubts().empty()) << c.script;
    }
}

}  // namespace
}  // namespace pelko
