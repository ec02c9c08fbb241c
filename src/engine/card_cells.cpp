#include "engine/card_cells.h"

namespace pelko {

void StoreReadCell(TConfPelko& dev, std::uint16_t cell, const TCode& code) {
    const bool master = cell >= kFirstMasterCell;
    const std::uint16_t index = dev.FindPosIndex(cell);
    if (index == NoCard) {
        if (!SameCode(code, EmptyCode)) dev.AddCard(cell, code, std::string());
        return;
    }
    TCard card;
    dev.GetCard(master, index, card);
    if (SameCode(card.Code, code)) return;
    dev.SetCardCode(master, index, SameCode(code, EmptyCode) ? ZeroCode : code);
    dev.SetCardUser(master, index, std::string());
}

void FollowCell(TConfPelko& dev, std::uint16_t cell, const TCode& code, const std::string& user) {
    const bool master = cell >= kFirstMasterCell;
    const std::uint16_t index = dev.FindPosIndex(cell);
    if (SameCode(code, EmptyCode)) {
        if (index != NoCard) dev.DeleteCard(master, index);
        return;
    }
    if (index == NoCard) {
        dev.AddCard(cell, code, user);
        return;
    }
    TCard card;
    dev.GetCard(master, index, card);
    if (!SameCode(card.Code, code)) dev.SetCardCode(master, index, code);
}

std::optional<TCard> ModelCard(const TConfPelko& dev, std::uint16_t cell) {
    if (dev.IsCellFree(cell)) return std::nullopt;
    TCard card;
    dev.GetCard(cell >= kFirstMasterCell, dev.FindPosIndex(cell), card);
    return card;
}

void RestoreCell(TConfPelko& dev, std::uint16_t cell, const std::optional<TCard>& card) {
    const bool master = cell >= kFirstMasterCell;
    const std::uint16_t index = dev.FindPosIndex(cell);
    if (!card) {
        if (index != NoCard) dev.DeleteCard(master, index);
        return;
    }
    if (index == NoCard) {
        dev.AddCard(cell, card->Code, card->User);
        return;
    }
    dev.SetCardCode(master, index, card->Code);
    dev.SetCardUser(master, index, card->User);
}

TCode ModelCellCode(const TConfPelko& dev, std::uint16_t cell) {
    if (dev.IsCellFree(cell)) return EmptyCode;
    TCard card;
    dev.GetCard(cell >= kFirstMasterCell, dev.FindPosIndex(cell), card);
    return card.Code;
}

}  // namespace pelko
