#pragma once
// The card edits written into a controller at once (AutoWriteKey on): add,
// erase one or the marked cards, move, change a code, copy one or the marked
// cards into another device. Each logs in first; the model follows only what
// the controller confirmed. A write whose answer is lost (or comes from
// another address) is checked by reading the cell back, and the model takes
// what the controller holds; a cell that cannot be read back is named.
// Each is the written form of one TCardEdit (card_edit.h), made from it by
// engine_card_edits.cpp: TAddCardOp an Add, TEraseCardOp an Erase,
// TEraseMarkedOp an EraseMarked, TMoveCardOp a Move (into the other list as
// well), TChangeCodeOp a ChangeCode, TCopyCardOp a Copy, TCopyMarkedOp a
// CopyMarked. A Rename has no written form; a ReplaceList is written by
// "Записать карты".
#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_core.h"

namespace pelko {

// One cell written after a login: a new card, the erase of one card, the
// copy of one card into another device. Done hears what the cell now holds.
class TOneCellOp : public TOperation {
public:
    enum Step { Login, Write, Verify };
    TOneCellOp(TEngineCore& core, std::uint8_t adr, TCode pass, std::uint16_t cell, TCode code, bool refusalStops)
        : TOperation(core), FAdr(adr), FPass(pass), FCell(cell), FCode(code), FRefusalStops(refusalStops) {}
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;

protected:
    virtual void Done(const TCode& held) = 0;
    std::uint8_t FAdr;
    TCode FPass;
    std::uint16_t FCell;
    TCode FCode;
    bool FRefusalStops;
};

// A new card with the zero code in a free cell of the selected device. With
// intoModel false the write is the capture's master cell 1000, which the
// model also lists once written.
class TAddCardOp : public TOneCellOp {
public:
    TAddCardOp(TEngineCore& core, std::uint8_t adr, TCode pass, std::uint16_t cell, bool intoModel)
        : TOneCellOp(core, adr, pass, cell, ZeroCode, false), FIntoModel(intoModel) {}
    TOperState State() const override { return osWriteCard; }

private:
    void Done(const TCode& held) override;
    bool FIntoModel;
};

class TEraseCardOp : public TOneCellOp {
public:
    TEraseCardOp(TEngineCore& core, std::uint8_t adr, TCode pass, std::uint16_t cell)
        : TOneCellOp(core, adr, pass, cell, EmptyCode, true) {}
    TOperState State() const override { return osEraseCard; }

private:
    void Done(const TCode& held) override;
};

// One card into a free cell of another device.
class TCopyCardOp : public TOneCellOp {
public:
    TCopyCardOp(TEngineCore& core, std::uint8_t targetAdr, TCode pass, const TCard& card, std::uint16_t cell)
        : TOneCellOp(core, targetAdr, pass, cell, card.Code, true), FUser(card.User) {}
    TOperState State() const override { return osCopyCard; }

private:
    void Done(const TCode& held) override;
    std::string FUser;
};

// Erases the marked cards of the shown list one by one; each erased one is
// marked for deletion, and the starter removes them at the end.
class TEraseMarkedOp : public TOperation {
public:
    // Erase + 2n erases the list's row n, Erase + 2n + 1 reads it back.
    enum Step { Login, Erase };
    TEraseMarkedOp(TEngineCore& core, std::uint8_t adr, TCode pass) : TOperation(core), FAdr(adr), FPass(pass) {}
    TOperState State() const override { return osEraseSelected; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;

private:
    void Finish();
    std::uint8_t FAdr;
    TCode FPass;
    std::vector<std::uint16_t> FUnknown;  // cells that could not be read back
};

// Writes the card into the new cell first, then erases the old one: a failure
// in between leaves it in both cells, never in none.
class TMoveCardOp : public TOperation {
public:
    enum Step { Login, WriteNew, VerifyNew, EraseOld, VerifyOld };
    TMoveCardOp(TEngineCore& core, std::uint8_t adr, TCode pass, TCard card, std::uint16_t newCell)
        : TOperation(core), FAdr(adr), FPass(pass), FCard(std::move(card)), FNewCell(newCell) {}
    TOperState State() const override { return osMoveCard; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;

private:
    void NewHolds(const TCode& held);
    void OldHolds(const TCode& held);
    void Finish();
    std::uint8_t FAdr;
    TCode FPass;
    TCard FCard;
    std::uint16_t FNewCell;
};

// A new code for the card in a cell of the selected device; the capture also
// writes master cell 1000 of a controller without master cards.
class TChangeCodeOp : public TOperation {
public:
    enum Step { Login, WriteCode, VerifyCode, WriteMaster, VerifyMaster };
    TChangeCodeOp(TEngineCore& core, std::uint8_t adr, TCode pass, std::uint16_t cell, TCode code, bool withMaster)
        : TOperation(core), FAdr(adr), FPass(pass), FCell(cell), FCode(code), FWithMaster(withMaster) {}
    TOperState State() const override { return osChangeCode; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;

private:
    void CodeHeld(const TCode& held);
    void MasterHeld(const TCode& held);
    std::uint8_t FAdr;
    TCode FPass;
    std::uint16_t FCell;
    TCode FCode;
    bool FWithMaster;
};

// The cards of the shown list with copy marks into the target's lowest free
// cells, in list order; a card that did not reach the target loses its mark
// uncopied.
class TCopyMarkedOp : public TOperation {
public:
    enum Step { Login, Write, Verify };
    TCopyMarkedOp(TEngineCore& core, std::uint8_t targetAdr, TCode pass) : TOperation(core), FAdr(targetAdr), FPass(pass) {}
    TOperState State() const override { return osCopyCards; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;

private:
    void Held(const TCode& code);
    void WriteNext();
    std::uint8_t FAdr;
    TCode FPass;
    std::uint16_t FRow = 0;   // the source row being copied
    std::uint16_t FCell = 0;  // the target cell it goes to
    TCode FCode = ZeroCode;
    std::vector<std::uint16_t> FUnknown;
};

}  // namespace pelko
