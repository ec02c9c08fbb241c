// Taking a card's code from a real card held to the selected controller's
// reader: the worker's card poll reports it through OnReadCard.
#include "engine/engine.h"

namespace pelko {
namespace {

constexpr unsigned kCaptureTickMs = 100;
constexpr std::size_t kCardAnswerSize = 3 + 5 + 2;  // address, length, command, code, checksum

}  // namespace

void TEngine::ReadCodeButClick() {
    if (CurConf().CardCount(MasterView) == 0 || FGroup.Count() == 0 || OperState != osIdle ||
        !CardFocus)
        return;
    if (!EnsureActive()) return;
    OperState = osCaptureCode;
    FHost.SetTimer1(false, kCaptureTickMs);
    FHost.SetTimer1(true, kCaptureTickMs);
    SetProgBFrm(100, kCaptureCaption, true);
    ShowModal();
    FHost.SetTimer1(false, kCaptureTickMs);
    OperState = osIdle;
    FBar.Marquee = false;
    ShowBar();
}

void TEngine::PelkoSession1ReadCard(const Bytes& Answer) {
    if (OperState != osCaptureCode || Answer.size() < kCardAnswerSize) return;
    TConfPelko* dev = SelectedDevice();
    const TAnswer a(Answer);
    if (dev == nullptr || a.Adr != AdrOf(*dev)) {
        OperState = osIdle;
        FHost.SetTimer1(false, kCaptureTickMs);
        FHost.ProgressClose();
        FHost.ShowMessage(kCaptionMessage, "Вы поднесли карту к другому считывателю!", TMsgIcon::Error);
        return;
    }
    FHost.SetTimer1(false, kCaptureTickMs);
    FBar.Marquee = false;
    ShowBar();
    OperState = osIdle;
    WorkCode = a.Code();
    TConfPelko& conf = *dev;
    std::uint16_t found = conf.FindCodePos(false, WorkCode);
    if (found == NoCard) found = conf.FindCodePos(true, WorkCode);
    if (found != NoCard) {
        FHost.ProgressClose();
        OperState = osIdle;
        FHost.ShowMessage(kCaptionAttention, "Карта с таким кодом уже есть в ячейке " + std::to_string(found),
                          TMsgIcon::Error);
        FHost.UpdateInspCard();
        FHost.InspectorEditParam(1);
        return;
    }
    TCard card;
    const int r = FHost.CardRow();
    if (!CardAt(r, card)) return EndOper();
    const std::uint8_t adr = AdrOf(conf);
    // A controller without master cards also gets master cell 1000 (zero code).
    const bool needsMaster = conf.MasterCount() == 0 && !MasterView;
    if (FSettings.AutoWriteKey) {
        CurPass = conf.Pass;
        SetProgBFrm(2, kChangeCodeCaption, false);
        CurCell = static_cast<std::uint16_t>(r);
        AnswerCount = 0;
        OperState = osChangeCode;
        Login(adr, CurPass);
        WriteCellCode(adr, card.Pos, WorkCode);
        WriteCell = 0;
        if (needsMaster) {
            WriteCell = NoCard;
            WriteCellCode(adr, kFirstMasterCell, ZeroCode);
        }
        return;
    }
    conf.SetCardCode(MasterView, static_cast<std::uint16_t>(r), WorkCode);
    if (!needsMaster) {
        FHost.RepaintCardGrid();
        FHost.UpdateInspCard();
        return EndOper();
    }
    CurPass = conf.Pass;
    Login(adr, CurPass);
    WriteCellCode(adr, kFirstMasterCell, ZeroCode);
    CurCell = NoCard;
    OperState = osWriteCard;
    FHost.RepaintCardGrid();
    FHost.UpdateInspCard();
}

}  // namespace pelko
