#include "engine/op_capture.h"

#include "engine/op_card_edits.h"

namespace pelko {
namespace {

constexpr std::size_t kCardAnswerSize = 3 + 5 + 2;  // address, length, command, code, checksum

}  // namespace

void TCaptureOp::Start() { FWaiting = true; }

void TCaptureOp::OnTimer() {
    if (FWrite) return;
    TProgressBar& bar = C.Bar();
    bar.Position = (bar.Position + 10) % 100;
    C.ShowBar();
}

void TCaptureOp::OnAnswer(int step, const TAnswer& a) {
    if (FWrite) FWrite->OnAnswer(step, a);
}

void TCaptureOp::StopWaiting() {
    FWaiting = false;
    C.Bar().Marquee = false;
    C.ShowBar();
}

void TCaptureOp::OnCardHeld(const Bytes& answer) {
    if (FWrite || answer.size() < kCardAnswerSize) return;
    TConfPelko* dev = C.SelectedDevice();
    const TAnswer a(answer);
    if (dev == nullptr || a.Adr != TEngineCore::AdrOf(*dev)) {
        FWaiting = false;
        C.EndOper();
        C.Notice(kCaptionMessage, "Вы поднесли карту к другому считывателю!", TMsgIcon::Error);
        return;
    }
    StopWaiting();
    const TCode code = a.Code();
    TConfPelko& conf = *dev;
    std::uint16_t found = conf.FindCodePos(false, code);
    if (found == NoCard) found = conf.FindCodePos(true, code);
    if (found != NoCard) {
        C.EndOper();
        C.Notice(kCaptionAttention, "Карта с таким кодом уже есть в ячейке " + std::to_string(found),
                 TMsgIcon::Error);
        C.Changed(chCurrentCard | chCodeToEdit);
        return;
    }
    const int r = FRow;
    if (r < 0 || r >= conf.CardCount(C.MasterView)) return C.EndOper();
    TCard card;
    conf.GetCard(C.MasterView, static_cast<std::uint16_t>(r), card);
    const std::uint8_t adr = TEngineCore::AdrOf(conf);
    // A controller without master cards also gets master cell 1000 (zero code).
    const bool needsMaster = conf.MasterCount() == 0 && !C.MasterView;
    if (C.Settings.AutoWriteKey) {
        C.SetProgBFrm(2, kChangeCodeCaption, false);
        FWrite = std::make_unique<TChangeCodeOp>(C, adr, conf.Pass, card.Pos, code, needsMaster);
        return FWrite->Start();
    }
    conf.SetCardCode(C.MasterView, static_cast<std::uint16_t>(r), code);
    C.Changed(chCardValues | chCurrentCard);
    if (!needsMaster) return C.EndOper();
    FWrite = std::make_unique<TAddCardOp>(C, adr, conf.Pass, kFirstMasterCell, false);
    FWrite->Start();
}

}  // namespace pelko
