#include "engine/change_tally.h"

#include <algorithm>
#include <tuple>

#include "link/baud_rate.h"
#include "model/group_dev.h"

namespace pelko {
namespace {

// Beyond this many cells a journal line gives the count only.
constexpr std::size_t kListedCells = 24;
constexpr std::size_t kBlockSize = std::tuple_size_v<TDevConfig>;


std::string Baud(std::uint8_t speedCode) {
    if (speedCode < 1 || speedCode > kStandardBauds.size()) return "?";
    return std::to_string(kStandardBauds[speedCode - 1u]);
}

}  // namespace

std::string OperationTitle(TOperState state) {
    switch (state) {
    case osReadSelected:
    case osReadAll: return "Считывание карт";
    case osWriteSelected:
    case osWriteAll: return "Запись карт";
    case osWriteCard: return "Запись карты";
    case osEraseCard:
    case osEraseSelected: return "Удаление карт";
    case osMoveCard: return "Перенос карты";
    case osChangeCode: return "Замена кода карты";
    case osCaptureCode: return "Считывание кода карты";
    case osCopyCard:
    case osCopyCards: return "Копирование карт";
    case osReset: return "Сброс прибора";
    case osSetSpeed:
    case osSetStandPass: return "Изменение параметров";
    case osOpen: return "Вход";
    case osWriteParams: return "Запись параметров";
    case osChangeAddress: return "Смена адреса";
    case osCheckPass: return "Смена пароля";
    default: return "Поиск приборов";
    }
}

std::string CellRanges(std::vector<std::uint16_t> cells) {
    std::sort(cells.begin(), cells.end());
    std::string out;
    for (std::size_t i = 0; i < cells.size();) {
        std::size_t j = i;
        while (j + 1 < cells.size() && cells[j + 1] == cells[j] + 1) ++j;
        out += (out.empty() ? "" : ", ") + std::to_string(cells[i]);
        if (j > i) out += (j == i + 1 ? ", " : "–") + std::to_string(cells[j]);
        i = j + 1;
    }
    return out;
}

void TChangeTally::Answered(const Bytes& body, const TAnswer& a) {
    if (body.size() < 3) return;
    const std::uint8_t adr = body[0];
    const bool ok = !a.Failure;
    switch (body[2]) {
    case cmdReadCard:
        if (ok && a.Complete() && body.size() >= 5 && CellOfRequest(body) < kCellCount)
            CellRead(adr, CellOfRequest(body), a.Code());
        return;
    case cmdWriteCard: {
        if (body.size() < 10 || CellOfRequest(body) >= kCellCount) return;
        const std::uint16_t cell = CellOfRequest(body);
        // Whatever the answer, the cell may have changed.
        if (const auto it = FRead.find(adr); it != FRead.end()) it->second.read.reset(cell);
        Change& c = FChanges[adr];
        std::copy_n(body.begin() + 5, c.sent[cell].size(), c.sent[cell].begin());
        c.confirmed.erase(cell);
        if (ok) {
            c.written.insert(cell);
            c.failed.erase(cell);
        } else if (!c.written.count(cell)) {
            c.failed.insert(cell);
        }
        return;
    }
    case cmdChangePass:
        ++(ok && a.Verdict() ? FChanges[adr].passOk : FChanges[adr].passFailed);
        return;
    case cmdWriteConfig:
        if (body.size() >= 3 + kBlockSize) {
            TDevConfig block{};
            std::copy_n(body.begin() + 3, kBlockSize, block.begin());
            ConfigWritten(adr, block, ok && a.Verdict());
        }
        return;
    case cmdReset:
        FRead.erase(adr);
        ++(ok && a.Verdict() ? FChanges[adr].resetOk : FChanges[adr].resetFailed);
        return;
    default:
        return;
    }
}

// Counted where the controller is afterwards: at the block's address when it
// took the block, at its own otherwise.
void TChangeTally::ConfigWritten(std::uint8_t adr, const TDevConfig& block, bool ok) {
    const std::uint8_t to = block[kAdrByte];
    if (to != adr) {
        FRead.erase(adr);
        FRead.erase(to);
    }
    // A block found in place after a lost answer settles the write that lost it.
    if (ok) {
        for (const std::uint8_t key : {to, adr}) {
            const auto it = FChanges.find(key);
            if (it == FChanges.end() || it->second.configFailed == 0) continue;
            --it->second.configFailed;
            it->second.moves.erase({adr, to});
            if (Describe(it->second).empty()) FChanges.erase(it);
            break;
        }
    }
    Change& c = FChanges[ok ? to : adr];
    if (ok) ++c.configOk;
    else ++c.configFailed;
    if (to != adr) c.moves[{adr, to}] = ok;
    c.speedCode = block[1] & 0x0F;
}

void TChangeTally::CellRead(std::uint8_t adr, std::uint16_t cell, const TCode& code) {
    Cells& c = FRead[adr];
    c.codes[cell] = code;
    c.read.set(cell);
    const auto it = FChanges.find(adr);
    if (it == FChanges.end()) return;
    const auto sent = it->second.sent.find(cell);
    if (sent == it->second.sent.end()) return;
    if (SameCode(sent->second, code)) it->second.confirmed.insert(cell);
    else it->second.confirmed.erase(cell);
}

void TChangeTally::Doubted(const Bytes& body) {
    if (body.size() < 5 || body[2] != cmdReadCard || CellOfRequest(body) >= kCellCount) return;
    const std::uint16_t cell = CellOfRequest(body);
    if (const auto it = FRead.find(body[0]); it != FRead.end()) it->second.read.reset(cell);
    if (const auto it = FChanges.find(body[0]); it != FChanges.end()) it->second.confirmed.erase(cell);
}

TChangeTally::Cells TChangeTally::KnownCells(std::uint8_t adr) const {
    const auto it = FRead.find(adr);
    return it == FRead.end() ? Cells{} : it->second;
}

void TChangeTally::PassTook(std::uint8_t adr) {
    Change& c = FChanges[adr];
    ++c.passOk;
    if (c.passFailed > 0) --c.passFailed;
}

bool TChangeTally::Known(std::uint8_t adr, const TConfPelko& named, TConfPelko& into) const {
    const auto it = FRead.find(adr);
    if (it == FRead.end() || !it->second.read.all()) return false;
    for (std::uint16_t cell = 0; cell < kCellCount; ++cell) {
        const TCode& code = it->second.codes[cell];
        if (SameCode(code, EmptyCode)) continue;
        std::string user;
        const bool master = cell >= kFirstMasterCell;
        std::uint16_t i = named.FindPosIndex(cell);
        TCard card;
        if (i != NoCard) named.GetCard(master, i, card);
        // A card the program knows in another cell (a file about to be
        // written moves or drops it) is still that user's.
        if (i == NoCard || !SameCode(card.Code, code)) {
            i = SameCode(code, ZeroCode) ? NoCard : named.FindCodeIndex(master, code);
            if (i != NoCard) named.GetCard(master, i, card);
        }
        if (i != NoCard && SameCode(card.Code, code)) user = card.User;
        into.AddCard(cell, code, user);
    }
    return true;
}

std::string TChangeTally::Describe(const Change& c) {
    std::vector<std::string> parts;
    if (c.resetOk + c.resetFailed > 0) parts.push_back(c.resetOk > 0 ? "сброс" : "сброс не принят");
    if (!c.written.empty() || !c.failed.empty()) {
        std::string cells = "ячейки: записано " + std::to_string(c.written.size());
        if (!c.written.empty() && c.written.size() <= kListedCells)
            cells += " (" + CellRanges({c.written.begin(), c.written.end()}) + ")";
        std::size_t confirmed = 0;
        for (const std::uint16_t cell : c.written) confirmed += c.confirmed.count(cell);
        if (confirmed > 0) cells += ", подтверждено чтением " + std::to_string(confirmed);
        if (!c.failed.empty()) {
            cells += ", не подтверждено " + std::to_string(c.failed.size());
            if (c.failed.size() <= kListedCells) cells += " (" + CellRanges({c.failed.begin(), c.failed.end()}) + ")";
        }
        parts.push_back(cells);
    }
    for (const auto& [move, took] : c.moves)
        parts.push_back("адрес " + std::to_string(move.first) + " → " + std::to_string(move.second) +
                        (took ? "" : " не изменён"));
    if (c.configOk + c.configFailed > 0)
        parts.push_back(std::string(c.configOk > 0 ? "параметры записаны" : "параметры не записаны") +
                        ", скорость " + Baud(c.speedCode) + " бит/с");
    if (c.passOk > 0) parts.push_back("пароль изменён");
    else if (c.passFailed > 0) parts.push_back("пароль не изменён");
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "; ") + p;
    return out;
}

std::string TChangeTally::Result(const Change& c) {
    const std::size_t ok = c.written.size() + static_cast<std::size_t>(c.passOk + c.resetOk + c.configOk);
    const std::size_t bad = c.failed.size() + static_cast<std::size_t>(c.passFailed + c.resetFailed + c.configFailed);
    if (bad == 0) return "выполнено";
    return ok == 0 ? "не выполнено" : "выполнено частично";
}

std::vector<TJournalEntry> TChangeTally::Take(const std::string& operation,
                                              const std::function<std::string(std::uint8_t)>& label) {
    std::vector<TJournalEntry> out;
    for (const auto& [adr, c] : FChanges) out.push_back({operation, label(adr), Describe(c), Result(c), adr});
    FChanges.clear();
    return out;
}

}  // namespace pelko
