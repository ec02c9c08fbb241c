#include "engine/op_write_cards.h"

#include <algorithm>

#include "engine/card_cells.h"
#include "engine/change_tally.h"

namespace pelko {
namespace {

// Reads of one kind before their count may decide.
constexpr int kBlindAfter = 8;

std::vector<std::uint16_t> AllCells() {
    std::vector<std::uint16_t> all(kCellCount);
    for (std::uint16_t c = 0; c < kCellCount; ++c) all[c] = c;
    return all;
}

}  // namespace

bool TBlindWrites::Blind() const { return FSeen >= kBlindAfter && 2 * FDiffer > FSeen; }

std::vector<std::uint16_t> SpotCells(const std::bitset<kCellCount>& known, const std::vector<bool>& card) {
    std::vector<std::uint16_t> out;
    auto first = [&](std::uint16_t from, auto pred) {
        for (std::uint16_t c = from; c < kCellCount; ++c)
            if (known[c] && pred(c)) {
                if (std::find(out.begin(), out.end(), c) == out.end()) out.push_back(c);
                return;
            }
    };
    auto isCard = [&](std::uint16_t c) { return static_cast<bool>(card[c]); };
    auto isFree = [&](std::uint16_t c) { return !card[c]; };
    first(0, isCard);
    std::uint16_t last = kCellCount;
    for (std::uint16_t c = kCellCount; c-- > 0;)
        if (known[c] && card[c]) {
            last = c;
            break;
        }
    if (last < kCellCount) first(last, isCard);
    first(0, [](std::uint16_t) { return true; });
    first(0, isFree);
    if (last < kCellCount) first(last, isFree);
    return out;
}

const char* TWriteCardsOp::StepName(int step) const {
    switch (step) {
    case Verify: return "read back";
    case VerifyQuiet: return "quiet after read-back";
    case Learn: return "read first";
    case LearnQuiet: return "quiet after reading first";
    default: return TBulkCardsOp::StepName(step);
    }
}

TCode TWriteCardsOp::Wanted(std::uint16_t cell) { return ModelCellCode(*C.Device(FIndex), cell); }

void TWriteCardsOp::LoggedIn() {
    C.SetPosition(1);
    FBlind = {};
    FExpected.clear();
    if (FAllCells) return StartWriting();
    const TChangeTally::Cells known = C.Changes.KnownCells(Adr());
    std::vector<bool> card(kCellCount);
    for (std::uint16_t c = 0; c < kCellCount; ++c) card[c] = known.read[c] && !SameCode(known.codes[c], EmptyCode);
    std::vector<std::uint16_t> cells = SpotCells(known.read, card);
    for (const std::uint16_t c : cells) FExpected[c] = known.codes[c];
    for (std::uint16_t c = 0; c < kCellCount; ++c)
        if (!known.read[c]) cells.push_back(c);
    LearnFrom(std::move(cells));
}

// --- reading first ---

void TWriteCardsOp::LearnFrom(std::vector<std::uint16_t> cells) {
    FLearnt = {};
    if (cells.empty()) return StartWriting();
    C.SetProgBFrm(static_cast<int>(cells.size()), LearnCaption(C.Device(FIndex)->Name), false);
    FLearn.Begin(std::move(cells));
    LearnNext();
}

void TWriteCardsOp::LearnNext() {
    if (FLearn.Done()) return C.RequestQuiet(LearnQuiet);
    C.SetPosition(static_cast<int>(FLearn.Position()));
    const int percent = FractionPercent(static_cast<int>(FLearn.Position()), static_cast<int>(FLearn.Total()));
    C.SetCaption(PercentCaption(LearnCaption(C.Device(FIndex)->Name), percent));
    C.Request(C.Requests.ReadCard(Adr(), FLearn.Cell()), Learn);
}

void TWriteCardsOp::LearnAnswered(const TAnswer& a) {
    const std::uint16_t cell = FLearn.Cell();
    const auto spot = FExpected.find(cell);
    const std::size_t differed = FLearnt.differ.size();
    FLearn.Answered(a, spot != FExpected.end() ? spot->second : Wanted(cell), FLearnt);
    const bool differs = FLearnt.differ.size() > differed;
    if (spot != FExpected.end() && differs) return Relearn();
    if (spot == FExpected.end() && a.Complete() && !SameCode(Wanted(cell), EmptyCode)) {
        FBlind.Saw(differs);
        // Left unread, those cells are not known, and so written.
        if (FBlind.Blind())
            FLearn.Drop([&](std::uint16_t c) { return !FExpected.count(c) && !SameCode(Wanted(c), EmptyCode); });
    }
    LearnNext();
}

// The controller is not as last read (another one at its address, cards
// added at the controller): nothing known of it holds.
void TWriteCardsOp::Relearn() {
    FExpected.clear();
    C.Changes.Forget(Adr());
    LearnFrom(AllCells());
}

void TWriteCardsOp::Learnt() {
    // A known cell that could not be read again leaves the rest untrusted.
    const auto& unread = FLearnt.unread;
    for (const auto& spot : FExpected)
        if (std::find(unread.begin(), unread.end(), spot.first) != unread.end()) return Relearn();
    StartWriting();
}

// The cells not known to hold what the model wants: differing, unread, or
// left unread on purpose.
void TWriteCardsOp::StartWriting() {
    const TChangeTally::Cells known = C.Changes.KnownCells(Adr());
    std::vector<std::uint16_t> cells;
    for (std::uint16_t c = 0; c < kCellCount; ++c)
        if (FAllCells || !known.read[c] || !SameCode(known.codes[c], Wanted(c))) cells.push_back(c);
    C.CellsDone[Adr()] = static_cast<std::uint16_t>(kCellCount - cells.size());
    C.SetProgBFrm(std::max<int>(1, static_cast<int>(cells.size())), WriteCaption(C.Device(FIndex)->Name), false);
    if (FAllCells) C.SetPosition(1);
    SetCells(std::move(cells));
    FPosition = 0;
    RunCells();
}

// --- writing ---

// A free model cell erases the device's cell.
void TWriteCardsOp::RequestCell(std::uint16_t cell, int step) {
    C.Request(C.Requests.WriteCard(Adr(), cell, Wanted(cell)), step);
}

bool TWriteCardsOp::CellDone(std::uint16_t cell, const TAnswer& a) {
    if (a.Failure) return false;
    const std::string& name = C.Device(FIndex)->Name;
    if (FAllCells) {
        C.SetPosition(cell + 1);
        C.SetCaption(WriteCaption(name, cell));
        return true;
    }
    C.SetPosition(++FPosition);
    C.SetCaption(PercentCaption(WriteCaption(name), FractionPercent(FPosition, static_cast<int>(CellCount()))));
    return true;
}

// --- reading back ---

void TWriteCardsOp::DeviceDone() {
    TCardCheck check;
    check.adr = Adr();
    check.reached = true;
    check.unchanged = static_cast<std::uint16_t>(kCellCount - CellCount());
    std::vector<std::uint16_t> cells;
    for (std::uint16_t c = 0; c < kCellCount; ++c)
        if (CellsDoneHere()[c]) cells.push_back(c);
    check.written = static_cast<std::uint16_t>(cells.size());
    FChecks.push_back(std::move(check));
    FReadBack.Begin(std::move(cells));
    FVerifying = true;
    // Nothing written, nothing to read back: the bar still ends full.
    C.SetProgBFrm(std::max<int>(1, static_cast<int>(FReadBack.Total())), CheckCaption(C.Device(FIndex)->Name), false);
    if (FReadBack.Done()) return Verified();
    VerifyNext();
}

void TWriteCardsOp::VerifyNext() {
    if (FReadBack.Done()) return C.RequestQuiet(VerifyQuiet);
    C.SetPosition(static_cast<int>(FReadBack.Position()));
    C.SetCaption(CheckCaption(C.Device(FIndex)->Name, FractionPercent(static_cast<int>(FReadBack.Position()),
                                                                      static_cast<int>(FReadBack.Total()))));
    C.Request(C.Requests.ReadCard(Adr(), FReadBack.Cell()), Verify);
}

void TWriteCardsOp::OnAnswer(int step, const TAnswer& a) {
    if (C.Device(FIndex) != nullptr && step == Learn) return LearnAnswered(a);
    if (step != Verify) return TBulkCardsOp::OnAnswer(step, a);
    if (C.Device(FIndex) == nullptr) {
        Settle();
        return TBulkCardsOp::OnAnswer(step, a);  // ends the operation
    }
    FReadBack.Answered(a, Wanted(FReadBack.Cell()), FChecks.back());
    VerifyNext();
}

// An answer in doubt is asked again, first or back; the write's own
// answers need nothing more, since every written cell is read back.
void TWriteCardsOp::OnDoubt(int step, const Bytes& body) {
    if (step == Learn && C.Device(FIndex) != nullptr && body.size() >= 5 && body[0] == Adr())
        return FLearn.Doubt(CellOfRequest(body), FLearnt);
    if (step != Verify || !FVerifying || body.size() < 5 || body[0] != FChecks.back().adr) return;
    FReadBack.Doubt(CellOfRequest(body), FChecks.back());
}

void TWriteCardsOp::OnQuiet(int step) {
    if (step == LearnQuiet && C.Device(FIndex) != nullptr) return FLearn.Done() ? Learnt() : LearnNext();
    if (step != VerifyQuiet) return TBulkCardsOp::OnQuiet(step);
    if (C.Device(FIndex) == nullptr) {
        Settle();
        return TBulkCardsOp::OnQuiet(step);  // ends the operation
    }
    if (FReadBack.Done()) return Verified();
    VerifyNext();
}

// A cell that holds something else, or could not be read, is not confirmed.
void TWriteCardsOp::Verified() {
    C.SetPosition(std::max<int>(1, static_cast<int>(FReadBack.Total())));
    C.SetCaption(CheckCaption(C.Device(FIndex)->Name, 100));
    Settle();
    TBulkCardsOp::DeviceDone();
}

void TWriteCardsOp::Settle() {
    if (!FVerifying) return;
    FReadBack.Abandon(FChecks.back());
    FVerifying = false;
    const TCardCheck& check = FChecks.back();
    C.CellsDone[check.adr] = static_cast<std::uint16_t>(C.CellsDone[check.adr] - check.differ.size() - check.unread.size());
}

void TWriteCardsOp::OnPortLost() {
    Settle();
    TBulkCardsOp::OnPortLost();
}

}  // namespace pelko
