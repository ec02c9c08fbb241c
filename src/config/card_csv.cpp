#include "config/card_csv.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <map>
#include <optional>

#include "config/cp1251.h"

namespace pelko {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr const std::array<const char*, 4>& kHeader = kCardColumns;
constexpr std::array<const char*, 4> kHeaderLatin = {"cell", "code", "user", "kind"};
// A card list is at most 1010 lines of short text; anything far larger is not one.
constexpr std::size_t kMaxCsvSize = 4u << 20;

struct Refusal {
    int line;
    std::string reason;
};

bool ValidUtf8(std::string_view text) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t at = pos;
        if (NextUtf8(text, pos) == kReplacementChar && text.substr(at, 3) != "\xEF\xBF\xBD") return false;
    }
    return true;
}

// "Unicode text" of a spreadsheet: UTF-16 after its byte-order mark.
std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    const auto unit = [&](std::size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c < 0xE000) {
            c = kReplacementChar;
        }
        AppendUtf8(out, c);
    }
    return out;
}

// Spreadsheets save in the locale's code page unless told otherwise.
std::string AsUtf8(std::string_view bytes) {
    if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16ToUtf8(bytes, false);
    if (bytes.substr(0, 2) == "\xFE\xFF") return Utf16ToUtf8(bytes, true);
    if (bytes.substr(0, kBom.size()) == kBom) return std::string(bytes.substr(kBom.size()));
    if (ValidUtf8(bytes)) return std::string(bytes);
    return Cp1251ToUtf8(bytes);
}

char Separator(std::string_view text) {
    const std::string_view first = text.substr(0, text.find_first_of("\r\n"));
    for (char c : {';', '\t', ','})
        if (first.find(c) != std::string_view::npos) return c;
    return ';';
}

std::string Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return std::string(s);
}

// Records as a spreadsheet writes them: a quoted field may hold the
// separator, quotes doubled and line ends.
std::optional<Refusal> SplitRecords(std::string_view text, char sep, std::vector<TCardRow>& out) {
    int line = 1;
    TCardRow rec{1, {}, false};
    std::string field;
    bool quoted = false, wasQuoted = false;
    int quoteLine = 0;
    const auto endField = [&] {
        rec.fields.push_back(wasQuoted ? field : Trim(field));
        field.clear();
        wasQuoted = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                if (c == '\n') ++line;
                field += c;
            }
        } else if (c == '"' && Trim(field).empty()) {
            field.clear();
            quoted = wasQuoted = true;
            quoteLine = line;
        } else if (c == sep) {
            endField();
        } else if (c == '\n' || (c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
            // A lone CR ends a line too (old Mac spreadsheets).
            endField();
            out.push_back(std::move(rec));
            rec = TCardRow{++line, {}, false};
        } else {
            field += c;
        }
    }
    if (quoted) return Refusal{quoteLine, "кавычка не закрыта"};
    endField();
    out.push_back(std::move(rec));
    return std::nullopt;
}

// Spreadsheets add empty columns to the right.
void DropEmptyTail(std::vector<std::string>& fields) {
    while (!fields.empty() && fields.back().empty()) fields.pop_back();
}

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool HeaderMatches(const std::vector<std::string>& fields) {
    if (fields.size() != kHeader.size()) return false;
    for (std::size_t i = 0; i < kHeader.size(); ++i)
        if (fields[i] != kHeader[i] && AsciiLower(fields[i]) != kHeaderLatin[i]) return false;
    return true;
}

std::string Quoted(const std::string& s) { return "«" + s + "»"; }

std::optional<std::uint16_t> ParseCell(const std::string& text) {
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value >= kCellCount) return std::nullopt;
    return static_cast<std::uint16_t>(value);
}

bool Decimal(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A code a spreadsheet would take for a number ("0012345678", "12345E0678")
// and change.
bool LooksNumeric(const std::string& code) {
    const std::size_t e = code.find('E');
    if (e == std::string::npos) return Decimal(code);
    return e > 0 && e + 1 < code.size() && Decimal(code.substr(0, e)) && Decimal(code.substr(e + 1));
}

// Such a code is written after an apostrophe: a spreadsheet keeps the field
// as text however often it is opened and saved again (a formula ="..." is
// saved back as its plain value and read as a number the next time).
std::string CodeField(const std::string& text) { return LooksNumeric(text) ? "'" + text : text; }

// What a spreadsheet makes of a number: "1,23457E+09", "1.23E+09", "12345678".
bool SpreadsheetNumber(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           text.find_first_not_of("0123456789.,+- eE") == std::string::npos;
}

// Ten hexadecimal digits, also after the apostrophe CodeField writes or as
// the formula earlier versions wrote. A number a spreadsheet made of a code
// (a shorter one, or with a decimal point or an exponent) can no longer be
// told back: it is refused rather than guessed.
std::optional<TCode> ParseCode(std::string text, std::string& why) {
    if (text.size() == 13 && text.rfind("=\"", 0) == 0 && text.back() == '"') text = text.substr(2, 10);
    if (text.size() == 11 && text.front() == '\'') text.erase(0, 1);
    const bool hex = text.size() == 10 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
    if (!hex && SpreadsheetNumber(text)) {
        why = ": похоже, табличный редактор принял код за число и изменил его — задайте столбцу «Код» "
              "текстовый формат и возьмите коды из прибора или из файла, выгруженного программой";
        return std::nullopt;
    }
    if (!hex) {
        why = ": нужны 10 шестнадцатеричных цифр";
        return std::nullopt;
    }
    for (char& c : text)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return TextToCode(text);
}

bool OnlyValueChars(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
           s.find_first_not_of("0123456789 .,:;/+-eE%") == std::string::npos;
}

// A name a spreadsheet would change: one it would run as a formula, or take
// for a number, a date or a time ("007" → 7, "12:30" → 12:30:00, "1e5" →
// 1,00E+05), or for a truth value; and one that itself starts with the
// apostrophe, so that the guard below can always be told from the name.
bool NeedsGuard(const std::string& s) {
    if (s.empty()) return false;
    if (std::string_view("=+-@'").find(s.front()) != std::string_view::npos) return true;
    const std::string lower = AsciiLower(s);
    return OnlyValueChars(s) || lower == "true" || lower == "false";
}

// Written after an apostrophe, which the import takes off again: exactly the
// names that need it get it, so a name always comes back as it was.
std::string UserField(const std::string& user) { return NeedsGuard(user) ? "'" + user : user; }
std::string UserFromField(const std::string& field) {
    return field.size() > 1 && field.front() == '\'' && NeedsGuard(field.substr(1)) ? field.substr(1) : field;
}

// Control characters (other than tab and line ends) have no place in a name:
// they would reach the configuration file and the terminal as they are.
std::optional<unsigned> ControlChar(const std::string& s) {
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F) return c;
    }
    return std::nullopt;
}

// 1 master, 0 user, -1 not a kind; empty: the cell decides.
int ParseKind(const std::string& text) {
    const std::string k = AsciiLower(text);
    if (k == kCsvKindUser || k == "Пользователь" || k == "user") return 0;
    if (k == kCsvKindMaster || k == "Мастер" || k == "master") return 1;
    return -1;
}

struct Parsed {
    int line;
    std::optional<std::uint16_t> cell;
    bool master;
    TCard card;
};

std::optional<Refusal> ParseRecord(const TCardRow& r, bool apostropheGuard, Parsed& out) {
    const std::vector<std::string>& f = r.fields;
    if (f.size() > 4) return Refusal{r.line, "лишние столбцы: нужны Ячейка;Код;Пользователь;Вид"};
    const auto field = [&f](std::size_t i) { return i < f.size() ? f[i] : std::string(); };
    out.line = r.line;
    if (!field(0).empty()) {
        out.cell = ParseCell(field(0));
        if (!out.cell) return Refusal{r.line, "неверный номер ячейки " + Quoted(field(0)) + ": нужен от 0 до 1009"};
    }
    if (r.codeIsNumber && !field(1).empty())
        return Refusal{r.line, "код " + Quoted(field(1)) +
                                   " записан числом, а не текстом: табличный редактор мог его изменить — задайте "
                                   "столбцу «Код» текстовый формат и возьмите коды из прибора или из файла, "
                                   "выгруженного программой"};
    std::string why;
    const std::optional<TCode> code = ParseCode(field(1), why);
    if (!code) return Refusal{r.line, "неверный код " + Quoted(field(1)) + why};
    if (SameCode(*code, EmptyCode)) return Refusal{r.line, "код FFFFFFFFFF означает свободную ячейку"};
    const int kind = field(3).empty() ? (out.cell && *out.cell >= kFirstMasterCell) : ParseKind(field(3));
    if (kind < 0) return Refusal{r.line, "неверный вид " + Quoted(field(3)) + ": нужен «пользователь» или «мастер»"};
    out.master = kind == 1;
    if (out.cell && (*out.cell >= kFirstMasterCell) != out.master)
        return Refusal{r.line, "ячейка " + std::to_string(*out.cell) + " — для " +
                                   (out.master ? "карт пользователей" : "мастер-карт") + ", а вид " + Quoted(field(3))};
    if (const std::optional<unsigned> c = ControlChar(field(2)))
        return Refusal{r.line, "управляющий символ (код " + std::to_string(*c) + ") в столбце 3 «Пользователь»"};
    out.card = TCard{out.cell.value_or(0), *code, apostropheGuard ? UserFromField(field(2)) : field(2)};
    return std::nullopt;
}

// Lines without a cell take the free cells of their kind in ascending order.
std::optional<Refusal> AssignCells(std::vector<Parsed>& cards) {
    std::vector<bool> taken(kCellCount, false);
    for (const Parsed& p : cards)
        if (p.cell) taken[*p.cell] = true;
    std::uint16_t next[2] = {0, kFirstMasterCell};
    for (Parsed& p : cards) {
        if (p.cell) continue;
        std::uint16_t& n = next[p.master ? 1 : 0];
        const std::uint16_t end = p.master ? kCellCount : kUserCells;
        while (n < end && taken[n]) ++n;
        if (n == end)
            return Refusal{p.line, p.master ? "мастер-карт больше, чем ячеек (10)" : "карт больше, чем ячеек (1000)"};
        taken[n] = true;
        p.card.Pos = n++;
    }
    return std::nullopt;
}

std::optional<Refusal> CheckUnique(const std::vector<Parsed>& cards) {
    std::map<std::uint16_t, int> cells;
    std::map<TCode, int> codes;
    for (const Parsed& p : cards) {
        if (p.cell) {
            const auto [it, fresh] = cells.emplace(*p.cell, p.line);
            if (!fresh)
                return Refusal{p.line, "ячейка " + std::to_string(*p.cell) + " уже занята в строке " +
                                           std::to_string(it->second)};
        }
        // New cards all hold the zero code until they are read from a reader.
        if (SameCode(p.card.Code, ZeroCode)) continue;
        const auto [it, fresh] = codes.emplace(p.card.Code, p.line);
        if (!fresh)
            return Refusal{p.line, "код " + CodeToText(p.card.Code) + " уже есть в строке " + std::to_string(it->second)};
    }
    return std::nullopt;
}

std::string CsvField(const std::string& s) {
    // Blanks at either end would be trimmed on the way back in.
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const bool quote = s.find_first_of(";\"\r\n") != std::string::npos || (!s.empty() && (blank(s.front()) || blank(s.back())));
    if (!quote) return s;
    std::string out = "\"";
    for (char c : s) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

void AppendRows(std::vector<std::vector<std::string>>& out, CardsArr cards, const char* kind) {
    std::sort(cards.begin(), cards.end(), [](const TCard& a, const TCard& b) { return a.Pos < b.Pos; });
    for (const TCard& c : cards) out.push_back({std::to_string(c.Pos), CodeToText(c.Code), c.User, kind});
}

TCsvCards Refused(const Refusal& r) {
    TCsvCards out;
    out.line = r.line;
    out.reason = r.reason;
    return out;
}

}  // namespace

std::vector<std::vector<std::string>> CardRows(const TConfPelko& dev) {
    std::vector<std::vector<std::string>> out;
    AppendRows(out, dev.UserCards(), kCsvKindUser);
    AppendRows(out, dev.MasterCards(), kCsvKindMaster);
    return out;
}

std::string CardsToCsv(const TConfPelko& dev) {
    std::string out(kBom);
    out += std::string(kHeader[0]) + ";" + kHeader[1] + ";" + kHeader[2] + ";" + kHeader[3] + "\r\n";
    for (const std::vector<std::string>& r : CardRows(dev))
        out += r[0] + ";" + CodeField(r[1]) + ";" + CsvField(UserField(r[2])) + ";" + r[3] + "\r\n";
    return out;
}

TCsvCards CardsFromCsv(std::string_view bytes) {
    if (bytes.size() > kMaxCsvSize) return Refused({1, "файл слишком велик для списка карт"});
    const std::string text = AsUtf8(bytes);
    std::vector<TCardRow> records;
    if (const auto r = SplitRecords(text, Separator(text), records)) return Refused(*r);
    return CardsFromRows(std::move(records), true);
}

TCsvCards CardsFromRows(std::vector<TCardRow> records, bool apostropheGuard) {
    for (TCardRow& r : records) DropEmptyTail(r.fields);
    records.erase(std::remove_if(records.begin(), records.end(), [](const TCardRow& r) { return r.fields.empty(); }),
                  records.end());
    if (records.empty()) return Refused({1, "файл пуст: нет строки Ячейка;Код;Пользователь;Вид"});
    if (!HeaderMatches(records.front().fields))
        return Refused({records.front().line, "столбцы должны быть Ячейка;Код;Пользователь;Вид"});
    std::vector<Parsed> cards(records.size() - 1);
    for (std::size_t i = 1; i < records.size(); ++i)
        if (const auto r = ParseRecord(records[i], apostropheGuard, cards[i - 1])) return Refused(*r);
    if (const auto r = CheckUnique(cards)) return Refused(*r);
    if (const auto r = AssignCells(cards)) return Refused(*r);
    TCsvCards out;
    out.ok = true;
    for (Parsed& p : cards) out.cards.push_back(std::move(p.card));
    return out;
}

std::string CsvRefusal(const TCsvCards& result) {
    if (result.line <= 0)  // the file as a whole
        return result.reason + (result.reason.ends_with('.') ? "" : ".");
    return "Строка " + std::to_string(result.line) + ": " + result.reason + ".";
}

void ReplaceCards(TConfPelko& dev, const std::vector<TCard>& cards) {
    for (bool master : {false, true})
        while (dev.CardCount(master) > 0) dev.DeleteCard(master, static_cast<std::uint16_t>(dev.CardCount(master) - 1));
    for (const TCard& c : cards) dev.AddCard(c.Pos, c.Code, c.User);
}

}  // namespace pelko
