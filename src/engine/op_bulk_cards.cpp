#include "engine/op_bulk_cards.h"

#include <algorithm>

#include "engine/card_cells.h"

namespace pelko {
namespace {

constexpr char kNoAnswer[] = "не отвечает";
constexpr char kRefused[] = "не принял пароль";
constexpr char kNoPort[] = "порт потерян";
// Rounds of asking doubted cells again before they are named as not read.
constexpr int kConfirmRounds = 3;


}  // namespace

const char* TBulkCardsOp::StepName(int step) const {
    static const char* const kNames[] = {"login", "cell", "cell again", "cell in doubt", "quiet"};
    return step >= Login && step <= Quiet ? kNames[step] : "?";
}

std::vector<std::uint16_t> TBulkCardsOp::FirstCells() {
    std::vector<std::uint16_t> all(kCellCount);
    for (std::uint16_t c = 0; c < kCellCount; ++c) all[c] = c;
    return all;
}

void TBulkCardsOp::StartDevice() {
    TConfPelko& dev = *C.Device(FIndex);
    FCells = FirstCells();
    FAt = 0;
    FDone.assign(kCellCount, false);
    FFailed.clear();
    FRetryAt = 0;
    FMissed = 0;
    FDoubted.clear();
    FConfirming.clear();
    FConfirmAt = 0;
    FConfirmRounds = 0;
    C.CellsDone[Adr()] = 0;
    const bool read = State() == osReadAll || State() == osReadSelected;
    C.SetProgBFrm(FCells.empty() ? kCellCount : static_cast<int>(FCells.size()),
                  read ? ReadCaption(dev.Name) : WriteCaption(dev.Name), false);
    C.Request(C.Requests.Login(Adr(), dev.Pass), Login);
}

void TBulkCardsOp::OnAnswer(int step, const TAnswer& a) {
    if (C.Device(FIndex) == nullptr) return Finish(true);
    if (step == Cell) return CellAnswered(a);
    if (step == Retry) return RetryAnswered(a);
    if (step == Confirm) return ConfirmAnswered(a);
    if (!a.Failure && a.Verdict()) return LoggedIn();
    NothingDone(a.Failure ? kNoAnswer : kRefused);
    const bool read = State() == osReadAll || State() == osReadSelected;
    // The first device did not answer at all: the line is in trouble; a later one is skipped.
    if (read && FAll && (!a.Failure || FIndex != C.FirstOpened())) return NextDevice();
    Finish(a.Failure == read);
}

void TBulkCardsOp::RunCells() {
    FAt = 0;
    if (FCells.empty()) return ConfirmDoubts();
    RequestCell(FCells[0], Cell);
}

void TBulkCardsOp::NothingDone(const char* why) { FReports.push_back({Adr(), {}, why}); }

void TBulkCardsOp::CellAnswered(const TAnswer& a) {
    const std::uint16_t cell = FCells[FAt];
    if (CellDone(cell, a)) {
        FDone[cell] = true;
        FMissed = 0;
        ++C.CellsDone[Adr()];
    } else {
        FFailed.push_back(cell);
        if (++FMissed >= kCellsMissedToGiveUp) {
            // Gone: the rest is not tried, nor are the cells in doubt.
            FFailed.insert(FFailed.end(), FCells.begin() + static_cast<std::ptrdiff_t>(FAt) + 1, FCells.end());
            FFailed.insert(FFailed.end(), FDoubted.begin(), FDoubted.end());
            FDoubted.clear();
            return DeviceDone();
        }
    }
    NextCell();
}

void TBulkCardsOp::NextCell() {
    if (FAt + 1 < FCells.size()) {
        ++FAt;
        Advanced();
        return RequestCell(FCells[FAt], Cell);
    }
    // Each failed cell once more.
    if (FRetryAt < FFailed.size()) return RequestCell(FFailed[FRetryAt], Retry);
    ConfirmDoubts();
}

void TBulkCardsOp::RetryAnswered(const TAnswer& a) {
    const std::uint16_t cell = FFailed[FRetryAt];
    if (CellDone(cell, a)) {
        FDone[cell] = true;
        ++C.CellsDone[Adr()];
        FFailed.erase(FFailed.begin() + static_cast<std::ptrdiff_t>(FRetryAt));
    } else {
        ++FRetryAt;
    }
    if (FRetryAt < FFailed.size()) return RequestCell(FFailed[FRetryAt], Retry);
    ConfirmDoubts();
}

// --- answers in doubt ---

// The last answer stands only once the line has stayed quiet after it.
void TBulkCardsOp::ConfirmDoubts() {
    if (!Rereads()) return DeviceDone();
    C.RequestQuiet(Quiet);
}

void TBulkCardsOp::OnDoubt(int step, const Bytes& body) {
    const std::uint16_t cell = CellOfRequest(body);
    if (!Rereads() || (step != Cell && step != Retry && step != Confirm) || cell >= kCellCount) return;
    if (C.Device(FIndex) == nullptr || body[0] != Adr() || !FDone[cell]) return;
    FDone[cell] = false;
    --C.CellsDone[Adr()];
    Revert(cell);
    FDoubted.push_back(cell);
}

void TBulkCardsOp::OnQuiet(int step) {
    if (step != Quiet || C.Device(FIndex) == nullptr) return Finish(true);
    if (FDoubted.empty()) return DeviceDone();
    std::sort(FDoubted.begin(), FDoubted.end());
    FDoubted.erase(std::unique(FDoubted.begin(), FDoubted.end()), FDoubted.end());
    if (++FConfirmRounds > kConfirmRounds) {
        FFailed.insert(FFailed.end(), FDoubted.begin(), FDoubted.end());
        FDoubted.clear();
        return DeviceDone();
    }
    FConfirming = std::move(FDoubted);
    FDoubted.clear();
    FConfirmAt = 0;
    RequestCell(FConfirming[0], Confirm);
}

void TBulkCardsOp::ConfirmAnswered(const TAnswer& a) {
    const std::uint16_t cell = FConfirming[FConfirmAt++];
    if (CellDone(cell, a)) {
        FDone[cell] = true;
        ++C.CellsDone[Adr()];
    } else {
        FDoubted.push_back(cell);  // no answer is no confirmation either
    }
    if (FConfirmAt < FConfirming.size()) return RequestCell(FConfirming[FConfirmAt], Confirm);
    C.RequestQuiet(Quiet);
}

void TBulkCardsOp::DeviceDone() {
    if (!FFailed.empty()) FReports.push_back({Adr(), FFailed, nullptr});
    if (FAll) return NextDevice();
    Finish(false);
}

// The port went: the operation has ended; what it did not reach is named.
void TBulkCardsOp::OnPortLost() {
    ReportLeft(kNoPort);
    Finish(false);
}

void TBulkCardsOp::ReportLeft(const char* why) {
    if (C.Device(FIndex) != nullptr) {
        std::vector<std::uint16_t> left;
        for (const std::uint16_t c : FCells)
            if (!FDone[c]) left.push_back(c);
        if (left.size() == FCells.size()) NothingDone(why);
        else if (!left.empty()) FReports.push_back({Adr(), left, nullptr});
    }
    while (FAll && ++FIndex < C.Group.Count())
        if (C.IsOpened(FIndex)) NothingDone(why);
}

void TBulkCardsOp::NextDevice() {
    while (++FIndex < C.Group.Count()) {
        if (C.IsOpened(FIndex)) return StartDevice();
    }
    Finish(false);
}

void TBulkCardsOp::Finish(bool stop) {
    if (stop) C.StopOper();
    else if (C.Running(*this)) C.EndOper();
    for (const Report& r : FReports) {
        if (r.cells.empty()) {
            C.Notice(kCaptionAttention, C.DeviceLabel(r.adr) + " — " + r.why + ", " + CardsNot() + ".",
                               TMsgIcon::Warning);
        } else {
            C.ReportCells(r.adr, NotDoneOne(), NotDoneMany(), r.cells);
        }
    }
    FReports.clear();
}

// --- read ---

void TReadCardsOp::Start() {
    C.SetPolling(false);
    TBulkCardsOp::Start();
}

void TReadCardsOp::RequestCell(std::uint16_t cell, int step) { C.Request(C.Requests.ReadCard(Adr(), cell), step); }

// A cell answer without a whole code confirms nothing: the cell counts as lost.
bool TReadCardsOp::CellDone(std::uint16_t cell, const TAnswer& a) {
    if (!a.Complete()) return false;
    TConfPelko& dev = *C.Device(FIndex);
    if (FBeforeOf != FIndex) {
        FBefore.clear();
        FBeforeOf = FIndex;
    }
    if (!FBefore.count(cell)) FBefore[cell] = ModelCard(dev, cell);
    StoreReadCell(dev, cell, a.Code());
    C.SetCaption(ReadCaption(dev.Name, cell));
    return true;
}

void TReadCardsOp::Revert(std::uint16_t cell) {
    const auto it = FBefore.find(cell);
    if (FBeforeOf == FIndex && it != FBefore.end()) RestoreCell(*C.Device(FIndex), cell, it->second);
}

}  // namespace pelko
