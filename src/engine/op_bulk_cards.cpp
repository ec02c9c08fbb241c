#include "engine/op_bulk_cards.h"

#include <algorithm>

#include "engine/card_cells.h"

namespace pelko {
namespace {

constexpr std::uint16_t kLastCell = kCellCount - 1;
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

void TBulkCardsOp::StartDevice() {
    TConfPelko& dev = *C.Device(FIndex);
    FCell = 0;
    FDone.assign(kCellCount, false);
    FFailed.clear();
    FRetryAt = 0;
    FMissed = 0;
    FDoubted.clear();
    FConfirming.clear();
    FConfirmAt = 0;
    FConfirmRounds = 0;
    C.CellsDone[Adr()] = 0;
    C.SetProgBFrm(kCellCount, State() == osReadAll || State() == osReadSelected ? ReadCaption(dev.Name)
                                                                               : WriteCaption(dev.Name),
                  false);
    C.Request(C.Requests.Login(Adr(), dev.Pass), Login);
}

void TBulkCardsOp::OnAnswer(int step, const TAnswer& a) {
    if (C.Device(FIndex) == nullptr) return Finish(true);
    if (step == Cell) return CellAnswered(a);
    if (step == Retry) return RetryAnswered(a);
    if (step == Confirm) return ConfirmAnswered(a);
    if (!a.Failure && a.Verdict()) {
        LoggedIn();
        return RequestCell(FCell, Cell);
    }
    NothingDone(a.Failure ? kNoAnswer : kRefused);
    const bool read = State() == osReadAll || State() == osReadSelected;
    // The first device did not answer at all: the line is in trouble; a later one is skipped.
    if (read && FAll && (!a.Failure || FIndex != C.FirstOpened())) return NextDevice();
    Finish(a.Failure == read);
}

void TBulkCardsOp::NothingDone(const char* why) { FReports.push_back({Adr(), {}, why}); }

void TBulkCardsOp::CellAnswered(const TAnswer& a) {
    if (CellDone(FCell, a)) {
        FDone[FCell] = true;
        FMissed = 0;
        ++C.CellsDone[Adr()];
    } else {
        FFailed.push_back(FCell);
        if (++FMissed >= kCellsMissedToGiveUp) {
            // Gone: the rest is not tried, nor are the cells in doubt.
            for (std::uint16_t c = FCell + 1; c <= kLastCell; ++c) FFailed.push_back(c);
            FFailed.insert(FFailed.end(), FDoubted.begin(), FDoubted.end());
            FDoubted.clear();
            return DeviceDone();
        }
    }
    NextCell();
}

void TBulkCardsOp::NextCell() {
    if (FCell < kLastCell) {
        ++FCell;
        Advanced();
        return RequestCell(FCell, Cell);
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
        for (std::uint16_t c = 0; c < kCellCount; ++c)
            if (!FDone[c]) left.push_back(c);
        if (left.size() == kCellCount) NothingDone(why);
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

// --- write ---

// A free model cell erases the device's cell.
void TWriteCardsOp::RequestCell(std::uint16_t cell, int step) {
    C.Request(C.Requests.WriteCard(Adr(), cell, ModelCellCode(*C.Device(FIndex), cell)), step);
}

bool TWriteCardsOp::CellDone(std::uint16_t cell, const TAnswer& a) {
    if (a.Failure) return false;
    C.SetPosition(cell + 1);
    C.SetCaption(WriteCaption(C.Device(FIndex)->Name, cell));
    return true;
}

// --- read-back after the write ---

const char* TWriteCardsOp::StepName(int step) const {
    return step == Verify ? "read back" : step == VerifyQuiet ? "quiet after read-back" : TBulkCardsOp::StepName(step);
}

void TWriteCardsOp::DeviceDone() {
    TCardCheck check;
    check.adr = Adr();
    check.reached = true;
    std::vector<std::uint16_t> cells;
    for (std::uint16_t c = 0; c < kCellCount; ++c)
        if (CellsDoneHere()[c]) cells.push_back(c);
    check.written = static_cast<std::uint16_t>(cells.size());
    FChecks.push_back(std::move(check));
    FReadBack.Begin(std::move(cells));
    FVerifying = true;
    C.SetProgBFrm(static_cast<int>(FReadBack.Total()), CheckCaption(C.Device(FIndex)->Name), false);
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
    if (step != Verify) return TBulkCardsOp::OnAnswer(step, a);
    if (C.Device(FIndex) == nullptr) {
        Settle();
        return TBulkCardsOp::OnAnswer(step, a);  // ends the operation
    }
    FReadBack.Answered(a, ModelCellCode(*C.Device(FIndex), FReadBack.Cell()), FChecks.back());
    VerifyNext();
}

// A read-back answer in doubt is asked again; the write's own answers need
// nothing more, since every written cell is read back.
void TWriteCardsOp::OnDoubt(int step, const Bytes& body) {
    if (step != Verify || !FVerifying || body.size() < 5 || body[0] != FChecks.back().adr) return;
    FReadBack.Doubt(CellOfRequest(body), FChecks.back());
}

void TWriteCardsOp::OnQuiet(int step) {
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
    C.SetPosition(static_cast<int>(FReadBack.Total()));
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
