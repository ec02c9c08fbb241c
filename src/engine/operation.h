#pragma once
// One operation on the controllers: it sends its requests step by step and
// is handed each answer together with the step that sent the request, so a
// step names the request it made, the answer it expects and what follows.
#include <cstdint>

#include "engine/request_bodies.h"
#include "link/bytes.h"

namespace pelko {

class TEngineCore;

// The caller's clock ticks this often while an operation waits on it.
inline constexpr unsigned kTimerMs = 100;

// What the engine is doing, as far as the window and the link's events care.
enum TOperState : std::uint8_t {
    osNone = 0,
    osSearch = 1,
    osSearchAllSpeeds = 2,
    osIdle = 3,
    osSetSpeed = 4,
    osSetStandPass = 5,
    osReadSelected = 6,
    osReadAll = 7,
    osWriteCard = 8,
    osEraseSelected = 9,
    osEraseCard = 10,
    osCaptureCode = 11,
    osMoveCard = 12,
    osChangeCode = 13,
    osCopyCard = 14,
    osCopyCards = 15,
    osReset = 16,
    osWriteSelected = 17,
    osWriteAll = 18,
    // Commands of one or two exchanges, and a comparison.
    osOpen = 19,
    osWriteParams = 20,
    osChangeAddress = 21,
    osCheckPass = 22,
};

class TOperation {
public:
    explicit TOperation(TEngineCore& core) : C(core) {}
    virtual ~TOperation() = default;
    TOperation(const TOperation&) = delete;
    TOperation& operator=(const TOperation&) = delete;

    virtual TOperState State() const = 0;
    // Puts the first request on the line (or ends at once).
    virtual void Start() = 0;
    // The answer to the request the step `step` sent; a failure answer when
    // it brought nothing from the controller it was sent to.
    virtual void OnAnswer(int step, const TAnswer& a) = 0;
    // For the exchange log and for tests: the step's name.
    virtual const char* StepName(int step) const = 0;
    // The caller's clock, every kTimerMs while Ticking() holds: waits (a
    // controller's restart, a pause between probes) are counted in ticks.
    virtual void OnTimer() {}
    virtual bool Ticking() const { return false; }
    // The port went away: the operation ends; it says where it left the
    // controllers it was changing.
    virtual void OnPortLost() {}
    virtual void OnCardHeld(const Bytes&) {}
    // A search of the line the step asked for: the addresses that answered,
    // and on the way how far it has got.
    virtual void OnScanned(int /*step*/, const Bytes& /*found*/) {}
    virtual void OnScanProgress(std::uint32_t /*done*/, std::uint32_t /*total*/, std::uint32_t /*found*/) {}
    // The answer already handed to the step for body may have been another
    // request's: the line held bytes it should not have. Ask again.
    virtual void OnDoubt(int /*step*/, const Bytes& /*body*/) {}
    // The line has been quiet after the step's RequestQuiet: every answer
    // not doubted by now stands.
    virtual void OnQuiet(int /*step*/) {}

protected:
    TEngineCore& C;
};

}  // namespace pelko
