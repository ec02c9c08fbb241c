#pragma once
// Reads every cell of one controller and sets it beside the model, which
// stays as it is: the user then decides, cell by cell, which side is right.
#include "engine/card_check.h"
#include "engine/engine_core.h"

namespace pelko {

inline constexpr char kCompareCaptionPrefix[] = "Сравнение карт с ";

class TCompareCardsOp : public TOperation {
public:
    enum Step { Login, Cell, Quiet };
    TCompareCardsOp(TEngineCore& core, DevIndex device) : TOperation(core), FIndex(device) {}

    TOperState State() const override { return osReadSelected; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override {
        return step == Login ? "login" : step == Cell ? "compare cell" : "quiet";
    }
    void OnPortLost() override { FReadBack.Abandon(FCheck); }
    void OnDoubt(int step, const Bytes& body) override;
    void OnQuiet(int step) override;

    // After the run; not reached when the login failed (why says how).
    const TCardCheck& Check() const { return FCheck; }
    const char* Why() const { return FWhy; }
    // Cancelled mid-way: what was not read is named unread.
    void Settle() { FReadBack.Abandon(FCheck); }

private:
    void Next();
    TCellReadBack FReadBack;
    TCardCheck FCheck;
    DevIndex FIndex;
    const char* FWhy = nullptr;
};

// Writes the chosen cells from the model (a free cell erases the
// controller's), then reads each back, those whose write went unanswered too.
class TWriteCellsOp : public TOperation {
public:
    enum Step { Login, Write, Verify, Quiet };
    TWriteCellsOp(TEngineCore& core, DevIndex device, std::vector<std::uint16_t> cells)
        : TOperation(core), FIndex(device), FCells(std::move(cells)) {}

    TOperState State() const override { return osWriteSelected; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override {
        return step == Login ? "login" : step == Write ? "cell" : step == Verify ? "read back" : "quiet";
    }
    void OnPortLost() override { Settle(); }
    void OnDoubt(int step, const Bytes& body) override;
    void OnQuiet(int step) override;
    void Settle();

    const TCardCheck& Check() const { return FCheck; }

private:
    void WriteNext();
    void VerifyNext();
    DevIndex FIndex;
    std::vector<std::uint16_t> FCells;
    std::size_t FAt = 0;
    TCellReadBack FReadBack;
    TCardCheck FCheck;
};

}  // namespace pelko
