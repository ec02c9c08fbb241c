#include "ui/card_undo.h"

#include <QUndoCommand>
#include <algorithm>
#include <utility>

#include "engine/card_edit.h"

namespace pelko {
namespace {

// Enough edits of a full list (two snapshots of 1010 cards each) to be
// well within memory.
constexpr int kUndoLimit = 200;

class TFold {
public:
    void Bytes(const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < n; ++i) FValue = (FValue ^ p[i]) * 0x100000001b3ULL;
    }
    void Number(std::uint64_t n) { Bytes(&n, sizeof n); }
    void Cards(const CardsArr& cards) {
        Number(cards.size());
        for (const TCard& c : cards) {
            Number(c.Pos);
            Bytes(c.Code.data(), c.Code.size());
            Number(c.User.size());
            Bytes(c.User.data(), c.User.size());
        }
    }
    std::uint64_t Value() const { return FValue; }

private:
    std::uint64_t FValue = 0xcbf29ce484222325ULL;
};

bool SameCards(const CardsArr& a, const CardsArr& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const TCard& x, const TCard& y) {
        return x.Pos == y.Pos && SameCode(x.Code, y.Code) && x.User == y.User;
    });
}

}  // namespace

bool operator==(const TCardsSnapshot& a, const TCardsSnapshot& b) {
    return SameCards(a.User, b.User) && SameCards(a.Master, b.Master);
}

TCardsSnapshot SnapshotCards(const TConfPelko& dev) {
    TCardsSnapshot s{dev.UserCards(), dev.MasterCards(), {}};
    for (const CardsArr* list : {&s.User, &s.Master})
        for (const TCard& c : *list)
            if (dev.CellFlags(c.Pos) & kCellSelected) s.Marked.push_back(c.Pos);
    return s;
}

// The lists come back as any card edit changes them: a ReplaceList.
void RestoreCards(TConfPelko& dev, const TCardsSnapshot& cards) {
    std::vector<TCard> both = cards.User;
    both.insert(both.end(), cards.Master.begin(), cards.Master.end());
    ApplyCardEdit(dev, TCardEdit::ReplaceList(std::move(both)));
    for (const std::uint16_t pos : cards.Marked) {
        const std::uint16_t index = dev.FindPosIndex(pos);
        if (index != NoCard) dev.SelectCard(pos >= kFirstMasterCell, index);
    }
}

std::uint64_t CardsPrint(const TGroupDev& group) {
    TFold f;
    f.Number(group.Count());
    for (DevIndex i = 0; i < group.Count(); ++i) {
        const TConfPelko* dev = group.GetDevice(i, nullptr);
        f.Number(dev->Config[kAdrByte]);
        f.Cards(dev->UserCards());
        f.Cards(dev->MasterCards());
    }
    return f.Value();
}

// One edit of one controller's lists. The edit is done when it is pushed,
// so its first redo has nothing to do.
class TCardEditCommand : public QUndoCommand {
public:
    TCardEditCommand(TCardUndo& owner, const QString& text, std::uint8_t adr, TCardsSnapshot before,
                     TCardsSnapshot after, TCardPlace placeBefore, TCardPlace placeAfter)
        : QUndoCommand(text), FOwner(owner), FAdr(adr), FBefore(std::move(before)), FAfter(std::move(after)),
          FPlaceBefore(placeBefore), FPlaceAfter(placeAfter) {}

    void undo() override { FOwner.Apply(FAdr, FBefore, FPlaceBefore); }
    void redo() override {
        if (std::exchange(FDone, false)) return;
        FOwner.Apply(FAdr, FAfter, FPlaceAfter);
    }

private:
    TCardUndo& FOwner;
    std::uint8_t FAdr;
    TCardsSnapshot FBefore;
    TCardsSnapshot FAfter;
    TCardPlace FPlaceBefore;
    TCardPlace FPlaceAfter;
    bool FDone = true;
};

TCardUndo::TCardUndo(TGroupDev& group, QObject* parent) : QObject(parent), FGroup(group) {
    FStack.setUndoLimit(kUndoLimit);
}

void TCardUndo::Record(const QString& text, std::uint8_t adr, bool master, int rowBefore,
                       const std::function<void()>& edit, const std::function<int()>& rowAfter) {
    DropIfChanged();
    const TConfPelko* dev = FGroup.GetDevice(FGroup.IndexOfAdr(adr), nullptr);
    if (dev == nullptr) return edit();
    TCardsSnapshot before = SnapshotCards(*dev);
    edit();
    // The edit may have ended in a dialog that changed the group.
    dev = FGroup.GetDevice(FGroup.IndexOfAdr(adr), nullptr);
    if (dev == nullptr) return Clear();
    TCardsSnapshot after = SnapshotCards(*dev);
    if (after == before) return;
    const TCardPlace placeBefore{adr, master, rowBefore};
    const TCardPlace placeAfter{adr, master, rowAfter ? rowAfter() : -1};
    FStack.push(new TCardEditCommand(*this, text, adr, std::move(before), std::move(after), placeBefore, placeAfter));
    FPrint = CardsPrint(FGroup);
}

bool TCardUndo::Undo() {
    if (DropIfChanged() || !FStack.canUndo()) return false;
    FStack.undo();
    FPrint = CardsPrint(FGroup);
    return true;
}

bool TCardUndo::Redo() {
    if (DropIfChanged() || !FStack.canRedo()) return false;
    FStack.redo();
    FPrint = CardsPrint(FGroup);
    return true;
}

void TCardUndo::Clear() { FStack.clear(); }

bool TCardUndo::DropIfChanged() {
    if (FStack.count() == 0 || CardsPrint(FGroup) == FPrint) return false;
    FStack.clear();
    return true;
}

void TCardUndo::Apply(std::uint8_t adr, const TCardsSnapshot& cards, const TCardPlace& place) {
    TConfPelko* dev = FGroup.GetDevice(FGroup.IndexOfAdr(adr), nullptr);
    if (dev == nullptr) return;
    RestoreCards(*dev, cards);
    if (OnApplied) OnApplied(place);
}

}  // namespace pelko
