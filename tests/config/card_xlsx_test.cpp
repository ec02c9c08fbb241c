// Card lists as .xlsx: the program's own file round trip, and workbooks
// made here as spreadsheets save them (shared and inline strings, rich-text
// runs, numbers, missing cells, their way of naming the parts).
#include "config/card_xlsx.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <map>

#include "config/xlsx_sheet.h"

namespace pelko {
namespace {

// A zip archive of the given members, made with libzip in memory.
std::string Zip(const std::map<std::string, std::string>& members) {
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* zip = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    EXPECT_NE(zip, nullptr);
    for (const auto& [name, bytes] : members) {
        zip_source_t* s = zip_source_buffer(zip, bytes.data(), bytes.size(), 0);
        EXPECT_GE(zip_file_add(zip, name.c_str(), s, ZIP_FL_ENC_UTF_8), 0);
    }
    EXPECT_EQ(zip_close(zip), 0);
    std::string out;
    zip_stat_t st;
    if (zip_source_stat(buffer, &st) == 0 && zip_source_open(buffer) == 0) {
        out.resize(st.size);
        out.resize(static_cast<std::size_t>(zip_source_read(buffer, out.data(), st.size)));
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    zip_error_fini(&error);
    return out;
}

const char kNs[] =
    "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
const char kRel[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string Rels(const std::string& items) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Relationships "
           "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">" +
           items + "</Relationships>";
}
std::string Rel(const std::string& id, const std::string& type, const std::string& target) {
    return "<Relationship Id=\"" + id + "\" Type=\"" + kRel + type + "\" Target=\"" + target + "\"/>";
}

// A workbook whose first worksheet (after a chart sheet, as the workbook
// orders them) holds sheetData, with shared strings; parts named the way
// openpyxl names them (absolute targets) or LibreOffice (relative ones).
std::string Workbook(const std::string& sheetData, const std::string& shared, bool absolute) {
    const std::string at = absolute ? "/xl/" : "";
    return Zip({
        {"_rels/.rels", Rels(Rel("rId1", "officeDocument", "xl/workbook.xml"))},
        {"xl/workbook.xml", std::string("<?xml version=\"1.0\"?><workbook ") + kNs +
                                "><sheets><sheet name=\"Диаграмма\" sheetId=\"2\" r:id=\"rId9\"/>"
                                "<sheet name=\"Карты\" sheetId=\"1\" state=\"visible\" r:id=\"rId2\"/>"
                                "<sheet name=\"Другой\" sheetId=\"3\" r:id=\"rId3\"/></sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels", Rels(Rel("rId9", "chartsheet", at + "chartsheets/sheet1.xml") +
                                            Rel("rId3", "worksheet", at + "worksheets/sheet2.xml") +
                                            Rel("rId2", "worksheet", at + "worksheets/sheet1.xml") +
                                            Rel("rId4", "sharedStrings", at + "sharedStrings.xml"))},
        {"xl/sharedStrings.xml",
         std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sst ") + kNs + ">" + shared + "</sst>"},
        {"xl/worksheets/sheet1.xml", std::string("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<worksheet ") + kNs +
                                         "><!-- made by hand --><sheetData>" + sheetData + "</sheetData></worksheet>"},
        {"xl/worksheets/sheet2.xml", std::string("<worksheet ") + kNs + "><sheetData/></worksheet>"},
    });
}

std::string S(const std::string& text) { return "<si><t xml:space=\"preserve\">" + text + "</t></si>"; }

// The titles as shared strings 0..3.
const std::string kTitles = S("Ячейка") + S("Код") + S("Пользователь") + S("Вид");
const std::string kTitleRow =
    "<row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c><c r=\"B1\" t=\"s\"><v>1</v></c>"
    "<c r=\"C1\" t=\"s\"><v>2</v></c><c r=\"D1\" t=\"s\"><v>3</v></c></row>";

std::string Listed(const TCsvCards& r) {
    std::string out;
    for (const TCard& c : r.cards) out += std::to_string(c.Pos) + " " + CodeToText(c.Code) + " [" + c.User + "]\n";
    return out;
}

// Codes and names a spreadsheet would change if they were not text cells,
// exported and read back unchanged; every code and name cell is text.
TEST(CardXlsx, AwkwardCodesAndNamesComeBackFromTheProgramsOwnFile) {
    const std::pair<const char*, const char*> cards[] = {
        {"1234567E03", "007"},
        {"0012345678", "12:30"},
        {"0000000000", "1e5"},
        {"1E00000000", "=x"},
        {"12345E0678", "'=x"},
        {"0A1B2C3D4E", "Иванов Пётр / склад <1> & \"2\""},
        {"ABCDEF0123", " с пробелами  "},
        {"0000000001", "TRUE"},
        {"9999999999", "_x0041_"},
        {"0000000002", "a\nb\tc"},
        {"0000000003", ""},
    };
    TConfPelko dev;
    std::uint16_t cell = 0;
    for (const auto& [code, user] : cards) dev.AddCard(cell++, TextToCode(code), user);
    dev.AddCard(1005, TextToCode("00000000E1"), "-1");
    const TXlsxFile file = CardsToXlsx(dev);
    ASSERT_TRUE(file.ok) << file.reason;

    const XlsxSheet sheet = ReadFirstSheet(file.bytes);
    ASSERT_TRUE(sheet.ok) << sheet.reason;
    ASSERT_EQ(sheet.rows.size(), std::size(cards) + 2);
    for (const XlsxRow& row : sheet.rows)
        for (std::size_t col : {1u, 2u}) EXPECT_TRUE(row.cells.size() <= col || row.cells[col].isText) << row.number;

    const TCsvCards back = CardsFromXlsx(file.bytes);
    ASSERT_TRUE(back.ok) << CsvRefusal(back);
    std::string expected;
    cell = 0;
    for (const auto& [code, user] : cards) expected += std::to_string(cell++) + " " + code + " [" + user + "]\n";
    expected += "1005 00000000E1 [-1]\n";
    EXPECT_EQ(Listed(back), expected);
}

// What spreadsheets save, read as the cards it shows.
TEST(CardXlsx, SheetsAsSpreadsheetsSaveThemRead) {
    const std::string shared = kTitles + S("пользователь") +
                               // rich text: runs with their own fonts, and a phonetic run that is no part of it
                               "<si><r><rPr><b/></rPr><t>Ива</t></r><r><t xml:space=\"preserve\">нов </t></r>"
                               "<rPh sb=\"0\" eb=\"1\"><t>x</t></rPh></si>" +
                               S("1234567E03") + S("007") + S("a_x001B_b") + S("_x005F_x0041_");
    const std::string rows =
        kTitleRow +
        // openpyxl: t="n" numbers, shared strings
        "<row r=\"2\"><c r=\"A2\" t=\"n\"><v>4</v></c><c r=\"B2\" t=\"s\"><v>6</v></c><c r=\"C2\" t=\"s\"><v>7</v></c>"
        "<c r=\"D2\" t=\"s\"><v>4</v></c></row>"
        // LibreOffice: a styled row, rich text, the kind left empty (the cell decides)
        "<row r=\"3\" customFormat=\"false\" ht=\"12.8\"><c r=\"A3\" s=\"0\"><v>5</v></c>"
        "<c r=\"B3\" s=\"1\" t=\"inlineStr\"><is><t>0012345678</t></is></c><c r=\"C3\" t=\"s\"><v>5</v></c></row>"
        // rows left empty, and one with only empty cells
        "<row r=\"6\"><c r=\"A6\" s=\"3\"/><c r=\"C6\" t=\"inlineStr\"><is><t></t></is></c></row>"
        // no cell number (the first free cell), no user cell, a formula's text result
        "<row r=\"7\"><c r=\"B7\" t=\"str\"><f>\"0A0B0C0D0E\"</f><v>0A0B0C0D0E</v></c><c r=\"D7\" t=\"inlineStr\">"
        "<is><r><t>мастер</t></r></is></c></row>"
        // cells without references follow each other
        "<row><c t=\"n\"><v>8</v></c><c t=\"inlineStr\"><is><t>ABCDEF0123</t></is></c><c t=\"s\"><v>9</v></c></row>";
    for (bool absolute : {false, true}) {
        const TCsvCards r = CardsFromXlsx(Workbook(rows, shared, absolute));
        ASSERT_TRUE(r.ok) << CsvRefusal(r);
        EXPECT_EQ(Listed(r),
                  "4 1234567E03 [007]\n5 0012345678 [Иванов ]\n1000 0A0B0C0D0E []\n8 ABCDEF0123 [_x0041_]\n");
    }
}

// Refused as a CSV file is, with the sheet's own row numbers; a code the
// sheet holds as a number is refused however it looks.
TEST(CardXlsx, ABadSheetIsRefusedWithItsRow) {
    const std::string shared = kTitles + S("a_x001B_b") + S("Код");
    const auto row = [](int n, const std::string& cells) {
        return "<row r=\"" + std::to_string(n) + "\"><c r=\"A" + std::to_string(n) + "\"><v>1</v></c>" + cells +
               "</row>";
    };
    struct Case {
        std::string rows;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {kTitleRow + row(5, "<c r=\"B5\"><v>1234567000</v></c>"), 5, "код «1234567000» записан числом"},
        {kTitleRow + row(4, "<c r=\"B4\" t=\"n\"><v>1.234567E+9</v></c>"), 4, "записан числом, а не текстом"},
        {kTitleRow + row(2, "<c r=\"B2\" t=\"inlineStr\"><is><t>12G4</t></is></c>"), 2, "неверный код «12G4»"},
        {kTitleRow +
             row(3, "<c r=\"B3\" t=\"inlineStr\"><is><t>0000000001</t></is></c><c r=\"C3\" t=\"s\"><v>4</v></c>"),
         3, "управляющий символ (код 27)"},
        {kTitleRow +
             row(9, "<c r=\"B9\" t=\"inlineStr\"><is><t>0000000001</t></is></c><c r=\"E9\" t=\"s\"><v>4</v></c>"),
         9, "лишние столбцы"},
        {kTitleRow + row(2, "<c r=\"B2\" t=\"inlineStr\"><is><t>0000000001</t></is></c>") +
             row(8, "<c r=\"B8\" t=\"inlineStr\"><is><t>0000000002</t></is></c>"),
         8, "ячейка 1 уже занята в строке 2"},
        {kTitleRow + row(2, "<c r=\"B2\" t=\"s\"><v>99</v></c>"), 2, "общую строку «99»"},
        {kTitleRow + row(2, "<c r=\"2B\" t=\"s\"><v>1</v></c>"), 2, "неверная ссылка на ячейку"},
        {"<row r=\"3\"><c r=\"A3\" t=\"s\"><v>5</v></c></row>", 3, "столбцы должны быть"},
        {"", 1, "файл пуст"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rows);
        const TCsvCards r = CardsFromXlsx(Workbook(c.rows, shared, false));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.line, c.line) << r.reason;
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
    }
    // Files that are no workbook at all: refused as a whole.
    const std::string noSheet = Zip({{"xl/workbook.xml", "<workbook><sheets/></workbook>"}});
    const std::string broken = Zip(
        {{"xl/workbook.xml", std::string("<workbook ") + kNs + "><sheets><sheet r:id=\"rId1\"/></sheets></workbook>"},
         {"xl/_rels/workbook.xml.rels", Rels(Rel("rId1", "worksheet", "worksheets/s.xml"))},
         {"xl/worksheets/s.xml", "<worksheet><sheetData><row></sheetData></worksheet>"}});
    for (const auto& [bytes, reason] : {std::pair<std::string, const char*>{"Ячейка;Код\n", "не архив zip"},
                                        {noSheet, "не найден лист"},
                                        {broken, "повреждён: не читается xl/worksheets/s.xml"}}) {
        const TCsvCards r = CardsFromXlsx(bytes);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.line, 0);
        EXPECT_NE(CsvRefusal(r).find(reason), std::string::npos) << CsvRefusal(r);
    }
}

}  // namespace
}  // namespace pelko
