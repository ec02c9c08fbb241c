#pragma once
// Undo and redo of the card edits that change only the program's lists
// (AutoWriteKey off, or no port): each edit keeps the edited controller's
// card lists as they were before and after it. An undo restores them only
// while every list of the group is still what the last edit, undo or redo
// left: a read, a search, a write or an opened file that changed any list
// drops the whole history, so cards from before it never come back over the
// fresh ones.
#include <QObject>
#include <QString>
#include <QUndoStack>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/group_dev.h"

namespace pelko {

// Both card lists of one controller, in list order, and the cells whose
// cards were marked (so an undone delete shows the cards it took marked).
struct TCardsSnapshot {
    CardsArr User;
    CardsArr Master;
    std::vector<std::uint16_t> Marked;
};
// The cards alone: marks are not an edit.
bool operator==(const TCardsSnapshot& a, const TCardsSnapshot& b);

TCardsSnapshot SnapshotCards(const TConfPelko& dev);
// The controller's lists and marks become the snapshot's.
void RestoreCards(TConfPelko& dev, const TCardsSnapshot& cards);
// Folds the addresses and card lists of every controller of the group.
std::uint64_t CardsPrint(const TGroupDev& group);

// Where an undone or redone edit is shown: the controller, its list and the
// list index of the card the cursor was on (-1: leave the cursor).
struct TCardPlace {
    std::uint8_t Adr = 0;
    bool Master = false;
    int Index = -1;
};

class TCardUndo : public QObject {
    Q_OBJECT

public:
    explicit TCardUndo(TGroupDev& group, QObject* parent = nullptr);
    // The stack says nothing while it goes: its listeners may be gone already.
    ~TCardUndo() override { FStack.blockSignals(true); }

    QUndoStack& Stack() { return FStack; }
    // Called after an undo or redo changed the controller's lists.
    std::function<void(const TCardPlace&)> OnApplied;

    // Runs edit; when it changed the cards of the controller at adr, that
    // change can be undone. rowBefore: the list index of the card the cursor
    // was on; rowAfter gives where it is after the edit.
    void Record(const QString& text, std::uint8_t adr, bool master, int rowBefore,
                const std::function<void()>& edit, const std::function<int()>& rowAfter);
    // False when nothing was undone (or redone): the history was empty, or
    // the lists had changed outside it and it is dropped.
    bool Undo();
    bool Redo();
    void Clear();
    // Drops the history when the lists are no longer what it left; true when it did.
    bool DropIfChanged();

private:
    friend class TCardEditCommand;
    void Apply(std::uint8_t adr, const TCardsSnapshot& cards, const TCardPlace& place);

    TGroupDev& FGroup;
    QUndoStack FStack;
    std::uint64_t FPrint = 0;  // the lists as the history left them
};

}  // namespace pelko
