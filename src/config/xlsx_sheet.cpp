#include "config/xlsx_sheet.h"

#include <algorithm>
#include <charconv>
#include <optional>

#include "config/cp1251.h"
#include "config/xml_parser.h"
#include "config/zip_parts.h"

namespace pelko {
namespace {

// A card list's sheet is a few hundred kilobytes; far more is not one.
constexpr std::size_t kMaxPartSize = 32u << 20;
constexpr int kMaxColumn = 16384;  // XFD

std::string_view LocalName(const TXMLNode* n) {
    const std::string_view name = n->Name();
    const std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

// Elements are matched by their local name: some writers put a prefix on them.
const TXMLNode* SheetChild(const TXMLNode* parent, std::string_view name, const TXMLNode* after = nullptr) {
    for (const TXMLNode* n = after != nullptr ? after->Next : parent->FirstChild; n != nullptr; n = n->Next)
        if (n->NodeKind == nkElement && LocalName(n) == name) return n;
    return nullptr;
}

std::string_view Attribute(const TXMLNode* element, std::string_view name) {
    for (const TXMLAttribute* a = element->Attributes; a != nullptr; a = a->Next)
        if (a->Name() == name) return a->Value();
    return {};
}

// r:id, whatever the prefix of the relationships namespace.
std::string_view RelationshipId(const TXMLNode* element) {
    for (const TXMLAttribute* a = element->Attributes; a != nullptr; a = a->Next) {
        const std::string_view n = a->Name();
        if (n.size() > 3 && n.substr(n.size() - 3) == ":id") return a->Value();
    }
    return {};
}

std::string TextOf(const TXMLNode* element) {
    std::string out;
    for (const TXMLNode* n = element->FirstChild; n != nullptr; n = n->Next)
        if (n->NodeKind == nkText) out += n->Text();
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Strings carry characters XML cannot as _xHHHH_ (and a literal "_x" so
// written as _x005F_x).
std::string DecodeEscapes(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 2, "_x") == 0 && i + 6 < s.size() && s[i + 6] == '_') {
            char32_t c = 0;
            bool hex = true;
            for (std::size_t k = i + 2; k < i + 6; ++k) {
                hex = hex && HexDigit(s[k]) >= 0;
                c = c * 16 + static_cast<char32_t>(hex ? HexDigit(s[k]) : 0);
            }
            if (hex && (c < 0xD800 || c >= 0xE000)) {
                AppendUtf8(out, c);
                i += 6;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

// A shared or inline string: its own <t>, or the <t> of each rich-text run;
// phonetic runs are not part of the text.
std::string StringItem(const TXMLNode* item) {
    std::string out;
    for (const TXMLNode* n = item->FirstChild; n != nullptr; n = n->Next) {
        if (n->NodeKind != nkElement) continue;
        if (LocalName(n) == "t") out += TextOf(n);
        if (LocalName(n) != "r") continue;
        for (const TXMLNode* t = SheetChild(n, "t"); t != nullptr; t = SheetChild(n, "t", t)) out += TextOf(t);
    }
    return DecodeEscapes(out);
}

// A part of the package parsed; its root element or null.
const TXMLNode* ParsePart(const ZipParts& zip, const std::string& name, TSimpleXMLParser& xml) {
    std::string bytes;
    if (!zip.Read(name, kMaxPartSize, bytes)) return nullptr;
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
    xml.SetMarkup(mkStandard);
    xml.SetSpaces(spPreserve);
    return xml.TakeAndParse(std::move(bytes)) ? xml.Root() : nullptr;
}

// A relationship's target, from the folder of the part that names it:
// "worksheets/sheet1.xml" from "xl/", or absolute "/xl/worksheets/sheet1.xml".
std::string Resolve(const std::string& folder, std::string_view target) {
    std::string path =
        !target.empty() && target.front() == '/' ? std::string(target.substr(1)) : folder + std::string(target);
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string step = path.substr(start, slash - start);
        if (step == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!step.empty() && step != ".") {
            parts.push_back(step);
        }
        start = slash + 1;
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
    return out;
}

std::string FolderOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    return slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
}

std::string RelsOf(const std::string& part) {
    const std::size_t slash = part.rfind('/');
    const std::size_t cut = slash == std::string::npos ? 0 : slash + 1;
    return part.substr(0, cut) + "_rels/" + part.substr(cut) + ".rels";
}

bool EndsWith(std::string_view s, std::string_view tail) {
    return s.size() >= tail.size() && s.substr(s.size() - tail.size()) == tail;
}

struct Relationship {
    std::string id, type, target;
};

std::vector<Relationship> Relationships(const ZipParts& zip, const std::string& part) {
    TSimpleXMLParser xml;
    const TXMLNode* root = ParsePart(zip, RelsOf(part), xml);
    std::vector<Relationship> out;
    if (root == nullptr) return out;
    for (const TXMLNode* r = SheetChild(root, "Relationship"); r != nullptr; r = SheetChild(root, "Relationship", r))
        out.push_back({std::string(Attribute(r, "Id")), std::string(Attribute(r, "Type")),
                       Resolve(FolderOf(part), Attribute(r, "Target"))});
    return out;
}

std::string Workbook(const ZipParts& zip) {
    for (const Relationship& r : Relationships(zip, ""))
        if (EndsWith(r.type, "/officeDocument")) return r.target;
    return "xl/workbook.xml";
}

struct Found {
    std::string sheet, strings;
};

// The first sheet in the workbook's order that is a worksheet (not a chart).
std::optional<Found> FirstWorksheet(const ZipParts& zip) {
    const std::string workbook = Workbook(zip);
    TSimpleXMLParser xml;
    const TXMLNode* root = ParsePart(zip, workbook, xml);
    const TXMLNode* sheets = root != nullptr ? SheetChild(root, "sheets") : nullptr;
    if (sheets == nullptr) return std::nullopt;
    const std::vector<Relationship> rels = Relationships(zip, workbook);
    Found out;
    for (const Relationship& r : rels)
        if (EndsWith(r.type, "/sharedStrings")) out.strings = r.target;
    for (const TXMLNode* s = SheetChild(sheets, "sheet"); s != nullptr && out.sheet.empty(); s = SheetChild(sheets, "sheet", s))
        for (const Relationship& r : rels)
            if (r.id == RelationshipId(s) && EndsWith(r.type, "/worksheet")) out.sheet = r.target;
    if (out.sheet.empty()) return std::nullopt;
    return out;
}

std::optional<int> Number(std::string_view text) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// "BC12" → column 55 (A is 1); 0 when it is not a reference.
int ColumnOf(std::string_view ref) {
    int column = 0;
    std::size_t i = 0;
    for (; i < ref.size() && ref[i] >= 'A' && ref[i] <= 'Z' && column <= kMaxColumn; ++i)
        column = column * 26 + (ref[i] - 'A' + 1);
    if (i == 0 || column > kMaxColumn || !Number(ref.substr(i))) return 0;
    return column;
}

XlsxSheet Refused(int row, std::string reason) {
    XlsxSheet out;
    out.row = row;
    out.reason = std::move(reason);
    return out;
}

// One cell's value; a reason when the file is damaged there.
std::optional<std::string> ReadCell(const TXMLNode* c, const std::vector<std::string>& strings, XlsxCell& cell) {
    const std::string_view type = Attribute(c, "t");
    const TXMLNode* v = SheetChild(c, "v");
    const std::string value = v != nullptr ? TextOf(v) : std::string();
    cell.isText = type == "s" || type == "inlineStr" || type == "str";
    if (type == "inlineStr") {
        const TXMLNode* is = SheetChild(c, "is");
        cell.text = is != nullptr ? StringItem(is) : std::string();
    } else if (type == "s") {
        const std::optional<int> i = Number(value);
        if (!i || *i < 0 || static_cast<std::size_t>(*i) >= strings.size())
            return "ячейка ссылается на общую строку «" + value + "», которой в файле нет";
        cell.text = strings[static_cast<std::size_t>(*i)];
    } else {
        cell.text = type == "str" ? DecodeEscapes(value) : value;
    }
    // A cell with no value is as good as a missing one.
    if (cell.text.empty()) cell.isText = true;
    return std::nullopt;
}

std::optional<std::string> ReadRow(const TXMLNode* row, const std::vector<std::string>& strings, XlsxRow& out) {
    int column = 0;
    for (const TXMLNode* c = SheetChild(row, "c"); c != nullptr; c = SheetChild(row, "c", c)) {
        const std::string_view ref = Attribute(c, "r");
        const int at = ref.empty() ? column + 1 : ColumnOf(ref);
        if (at == 0) return "неверная ссылка на ячейку «" + std::string(ref) + "»";
        column = at;
        if (out.cells.size() < static_cast<std::size_t>(column)) out.cells.resize(static_cast<std::size_t>(column));
        if (auto why = ReadCell(c, strings, out.cells[static_cast<std::size_t>(column - 1)])) return why;
    }
    return std::nullopt;
}

const char kDamaged[] = "файл .xlsx повреждён: не читается ";

}  // namespace

XlsxSheet ReadFirstSheet(std::string_view bytes) {
    const ZipParts zip(bytes);
    if (!zip.Ok()) return Refused(0, "это не файл .xlsx (не архив zip)");
    const std::optional<Found> found = FirstWorksheet(zip);
    if (!found) return Refused(0, "в файле .xlsx не найден лист (xl/workbook.xml и его связи)");

    std::vector<std::string> strings;
    TSimpleXMLParser sst;
    if (!found->strings.empty() && zip.Has(found->strings)) {
        const TXMLNode* root = ParsePart(zip, found->strings, sst);
        if (root == nullptr) return Refused(0, kDamaged + found->strings);
        for (const TXMLNode* si = SheetChild(root, "si"); si != nullptr; si = SheetChild(root, "si", si))
            strings.push_back(StringItem(si));
    }

    TSimpleXMLParser xml;
    const TXMLNode* root = ParsePart(zip, found->sheet, xml);
    const TXMLNode* data = root != nullptr ? SheetChild(root, "sheetData") : nullptr;
    if (data == nullptr) return Refused(0, kDamaged + found->sheet);
    XlsxSheet out;
    int number = 0;
    for (const TXMLNode* row = SheetChild(data, "row"); row != nullptr; row = SheetChild(data, "row", row)) {
        const std::string_view r = Attribute(row, "r");
        const std::optional<int> n = r.empty() ? std::optional<int>(number + 1) : Number(r);
        if (!n || *n < 1) return Refused(number + 1, "неверный номер строки листа «" + std::string(r) + "»");
        number = *n;
        XlsxRow one;
        one.number = number;
        if (auto why = ReadRow(row, strings, one)) return Refused(number, *why);
        out.rows.push_back(std::move(one));
    }
    out.ok = true;
    return out;
}

}  // namespace pelko
