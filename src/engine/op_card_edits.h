#pragma once
// The card edits written into a controller at once (AutoWriteKey on): add,
// erase one or the marked cards, move, change a code, copy one or the marked
// cards into another device. Each logs in first; the model follows only what
// the controller confirmed.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/engine_core.h"

namespace pelko {

// A new card with the zero code in a free cell of the selected device. With
// modelCell NoCard only the controller's cell is written (the capture's
// master cell 1000).
class TAddCardOp : public TOperation {
public:
    enum Step { Login, Write };
    TAddCardOp(TEngineCore& core, std::uint8_t adr, TCode pass, std::uint16_t cell, bool intoModel)
        : TOperation(core), FAdr(adr), FPass(pass), FCell(cell), FIntoModel(intoModel) {}
    TOperState State() const override { return osWriteCard; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override { return step == Login ? "login" : "write card"; }

private:
    std::uint8_t FAdr;
    TCode FPass;
    std::uint16_t FCell;
    bool FIntoModel;
};

class TEraseCardOp : public TOperation {
public:
    enum Step { Login, Erase };
    TEraseCardOp(TEngineCore& core, std::uint8_t adr, TCode pass, std::uint16_t cell)
        : TOperation(core), FAdr(adr), FPass(pass), FCell(cell) {}
    TOperState State() const override { return osEraseCard; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override { return step == Login ? "login" : "erase card"; }

private:
    std::uint8_t FAdr;
    TCode FPass;
    std::uint16_t FCell;
};

// Erases the marked cards of the shown list one by one; each confirmed one
// is marked for deletion, and the starter removes them at the end.
class TEraseMarkedOp : public TOperation {
public:
    enum Step { Login, Erase };  // Erase + n: the erase of the list's row n
    TEraseMarkedOp(TEngineCore& core, std::uint8_t adr, TCode pass) : TOperation(core), FAdr(adr), FPass(pass) {}
    TOperState State() const override { return osEraseSelected; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override { return step == Login ? "login" : "erase marked card"; }

private:
    std::uint8_t FAdr;
    TCode FPass;
};

// Erases the old cell, then writes the card into the new one.
class TMoveCardOp : public TOperation {
public:
    enum Step { Login, EraseOld, WriteNew };
    TMoveCardOp(TEngineCore& core, std::uint8_t adr, TCode pass, TCard card, std::uint16_t newCell)
        : TOperation(core), FAdr(adr), FPass(pass), FCard(std::move(card)), FNewCell(newCell) {}
    TOperState State() const override { return osMoveCard; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;

private:
    std::uint8_t FAdr;
    TCode FPass;
    TCard FCard;
    std::uint16_t FNewCell;
};

// A new code for the card in the shown list's row; the capture also writes
// master cell 1000 of a controller without master cards.
class TChangeCodeOp : public TOperation {
public:
    enum Step { Login, WriteCode, WriteMaster };
    TChangeCodeOp(TEngineCore& core, std::uint8_t adr, TCode pass, int row, std::uint16_t cell, TCode code,
                  bool withMaster)
        : TOperation(core), FAdr(adr), FPass(pass), FRow(row), FCell(cell), FCode(code), FWithMaster(withMaster) {}
    TOperState State() const override { return osChangeCode; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;

private:
    void Confirmed();
    std::uint8_t FAdr;
    TCode FPass;
    int FRow;
    std::uint16_t FCell;
    TCode FCode;
    bool FWithMaster;
};

// One card into a free cell of another device.
class TCopyCardOp : public TOperation {
public:
    enum Step { Login, Write };
    TCopyCardOp(TEngineCore& core, std::uint8_t targetAdr, TCode pass, TCard card, std::uint16_t cell)
        : TOperation(core), FAdr(targetAdr), FPass(pass), FCard(std::move(card)), FCell(cell) {}
    TOperState State() const override { return osCopyCard; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override { return step == Login ? "login" : "write card"; }

private:
    std::uint8_t FAdr;
    TCode FPass;
    TCard FCard;
    std::uint16_t FCell;
};

// The cards of the shown list with copy marks into the target's lowest free
// cells, in list order; a card whose write fails loses its mark uncopied.
class TCopyMarkedOp : public TOperation {
public:
    enum Step { Login, Write };
    TCopyMarkedOp(TEngineCore& core, std::uint8_t targetAdr, TCode pass) : TOperation(core), FAdr(targetAdr), FPass(pass) {}
    TOperState State() const override { return osCopyCards; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override { return step == Login ? "login" : "write card"; }

private:
    void WriteNext();
    std::uint8_t FAdr;
    TCode FPass;
    std::uint16_t FRow = 0;   // the source row being copied
    std::uint16_t FCell = 0;  // the target cell it goes to
    TCode FCode = ZeroCode;
};

}  // namespace pelko
