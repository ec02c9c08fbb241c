#include "config/card_csv.h"

#include <gtest/gtest.h>

#include "config/cp1251.h"

namespace pelko {
namespace {

std::vector<TCard> AllCards(const TConfPelko& dev) {
    std::vector<TCard> out = dev.UserCards();
    out.insert(out.end(), dev.MasterCards().begin(), dev.MasterCards().end());
    std::sort(out.begin(), out.end(), [](const TCard& a, const TCard& b) { return a.Pos < b.Pos; });
    return out;
}

void ExpectSameCards(const std::vector<TCard>& a, const std::vector<TCard>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].Pos, b[i].Pos) << i;
        EXPECT_EQ(CodeToText(a[i].Code), CodeToText(b[i].Code)) << i;
        EXPECT_EQ(a[i].User, b[i].User) << i;
    }
}

TConfPelko SampleDevice() {
    TConfPelko dev;
    dev.AddCard(17, TextToCode("0A1B2C3D4E"), "Иванов; Пётр \"Мастер\"");
    dev.AddCard(3, TextToCode("0012345678"), " с пробелами ");
    dev.AddCard(4, TextToCode("12345E0678"), "=1+1");
    dev.AddCard(8, TextToCode("ABCDE00001"), "'обычное");
    dev.AddCard(9, TextToCode("ABCDE00002"), "табуляция в конце\t");
    // Every character a spreadsheet starts a formula with, not only "=".
    dev.AddCard(10, TextToCode("ABCDE00010"), "+7 900 000-00-00");
    dev.AddCard(11, TextToCode("ABCDE00011"), "-");
    dev.AddCard(12, TextToCode("ABCDE00012"), "@охрана");
    dev.AddCard(5, ZeroCode, "");
    dev.AddCard(6, ZeroCode, "новая");
    dev.AddCard(1004, TextToCode("ABCDEF0123"), "Охрана");
    return dev;
}

// A spreadsheet's own save of that list: its code page, "," between
// columns, every text quoted, the formulas' values, lower-case hex, extra
// empty columns and blank lines.
std::string SpreadsheetSave() {
    const std::string utf8 =
        "\"Ячейка\",\"Код\",\"Пользователь\",\"Вид\",,\r\n"
        "3,0012345678,\" с пробелами \",\"пользователь\",,\r\n"
        "4,12345E0678,\"'=1+1\",\"пользователь\",,\r\n"
        "8,abcde00001,'обычное,пользователь\r\n"
        "9,abcde00002,\"табуляция в конце\t\",пользователь\r\n"
        "10,abcde00010,\"'+7 900 000-00-00\",пользователь\r\n"
        "11,abcde00011,'-,пользователь\r\n"
        "12,abcde00012,'@охрана,пользователь\r\n"
        "5,0000000000,,пользователь,,\r\n"
        "6,0000000000,\"новая\",пользователь,,\r\n"
        "17,0a1b2c3d4e,\"Иванов; Пётр \"\"Мастер\"\"\",пользователь,,\r\n"
        ",,,,,\r\n"
        "1004,ABCDEF0123,\"Охрана\",мастер,,\r\n\r\n";
    std::string cp1251;
    std::size_t pos = 0;
    while (pos < utf8.size()) cp1251.push_back(static_cast<char>(*UnicodeToCp1251(NextUtf8(utf8, pos))));
    return cp1251;
}

TEST(CardCsv, AListComesBackFromItsOwnFileAndFromASpreadsheetsSave) {
    const TConfPelko dev = SampleDevice();
    const std::string csv = CardsToCsv(dev);
    ASSERT_EQ(csv.rfind("\xEF\xBB\xBFЯчейка;Код;Пользователь;Вид\r\n3;'0012345678;\" с пробелами \";пользователь\r\n"
                        "4;'12345E0678;'=1+1;пользователь\r\n5;'0000000000;;пользователь\r\n",
                        0),
              0u)
        << csv;
    for (const char* name : {"+7 900 000-00-00", "-", "@охрана"})
        EXPECT_NE(csv.find(";'" + std::string(name) + ";"), std::string::npos) << name;
    for (const std::string& file : {csv, SpreadsheetSave()}) {
        const TCsvCards r = CardsFromCsv(file);
        ASSERT_TRUE(r.ok) << CsvRefusal(r);
        TConfPelko back;
        back.AddCard(900, TextToCode("1111111111"), "прежняя");
        back.SelectCard(false, 0);
        ReplaceCards(back, r.cards);
        ExpectSameCards(AllCards(back), AllCards(dev));
        EXPECT_TRUE(back.IsCellFree(900));
        EXPECT_EQ(back.CellFlags(900), kCellFree);
    }
}

TEST(CardCsv, LinesWithoutACellTakeTheFreeCellsOfTheirKind) {
    const TCsvCards r = CardsFromCsv("Ячейка;Код;Пользователь;Вид\n;0000000001;a;\n0;0000000002;b;\n;0000000003;c;мастер\n"
                                     ";0000000004;d;пользователь\n1000;0000000005;e;\n");
    ASSERT_TRUE(r.ok) << CsvRefusal(r);
    std::vector<std::uint16_t> cells;
    for (const TCard& c : r.cards) cells.push_back(c.Pos);
    EXPECT_EQ(cells, (std::vector<std::uint16_t>{1, 0, 1001, 2, 1000}));
}

std::string Lines(int n, const char* kind) {
    std::string out = "cell;code;user;kind\n";
    for (int i = 0; i < n; ++i) out += ";AB" + std::to_string(10000000 + i) + ";;" + kind + "\n";
    return out;
}

TEST(CardCsv, ABadFileIsRefusedWithItsLineAndReason) {
    const std::string head = "Ячейка;Код;Пользователь;Вид\n";
    struct Case {
        std::string file;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"", 1, "файл пуст"},
        {"Ячейка;Код;Пользователь\n1;0000000001;a\n", 1, "столбцы должны быть"},
        {"Код;Ячейка;Пользователь;Вид\n", 1, "столбцы должны быть"},
        {head + "1;0000000001;a;пользователь;лишнее\n", 2, "лишние столбцы"},
        {head + "1;0000000001;a;\n\n2;00000G0001;b;\n", 4, "неверный код «00000G0001»"},
        {head + "1;1,23457E+09;a;\n", 2, "неверный код «1,23457E+09»: похоже, табличный редактор принял код за число"},
        {head + "1;1.23E+09;a;\n", 2, "«1.23E+09»: похоже, табличный редактор"},
        {head + "1;1234567E+03;a;\n", 2, "«1234567E+03»: похоже, табличный редактор"},
        {head + "1;12345678;a;\n", 2, "неверный код «12345678»: похоже, табличный редактор принял код за число"},
        {head + "1;'12345678;a;\n", 2, "неверный код «'12345678»: нужны 10"},
        {head + "1;0000000001;a\x1B[2J;\n", 2, "управляющий символ (код 27) в столбце 3"},
        {head + "1;0000000001;a;\n2;0000000002;" + std::string("b\0", 2) + ";\n", 3, "управляющий символ (код 0)"},
        {head + "1;0000000001;\x7F;\n", 2, "управляющий символ (код 127)"},
        {head + "1;00000000011;a;\n", 2, "неверный код"},
        {head + "1;;a;\n", 2, "неверный код «»"},
        {head + "1;FFFFFFFFFF;a;\n", 2, "свободную ячейку"},
        {head + "1010;0000000001;a;\n", 2, "неверный номер ячейки «1010»"},
        {head + "-1;0000000001;a;\n", 2, "неверный номер ячейки"},
        {head + "7x;0000000001;a;\n", 2, "неверный номер ячейки"},
        {head + "1000;0000000001;a;пользователь\n", 2, "ячейка 1000 — для мастер-карт"},
        {head + "999;0000000001;a;мастер\n", 2, "ячейка 999 — для карт пользователей"},
        {head + "1;0000000001;a;гость\n", 2, "неверный вид «гость»"},
        {head + "4;0000000001;a;\n5;0000000002;b;\n4;0000000003;c;\n", 4, "ячейка 4 уже занята в строке 2"},
        {head + "4;0A00000001;a;\n5;0a00000001;b;\n", 3, "код 0A00000001 уже есть в строке 2"},
        {head + "4;0000000001;\"a\nb;\n", 2, "кавычка не закрыта"},
        {head + "1;0000000001;\"две\nстроки\";\n2;x;b;\n", 4, "неверный код «x»"},
        {Lines(1001, ""), 1002, "карт больше, чем ячеек (1000)"},
        {Lines(11, "мастер"), 12, "мастер-карт больше, чем ячеек (10)"},
        {head + std::string(5u << 20, ' '), 1, "слишком велик"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.substr(0, 120));
        const TCsvCards r = CardsFromCsv(c.file);
        EXPECT_FALSE(r.ok);
        EXPECT_TRUE(r.cards.empty());
        EXPECT_EQ(r.line, c.line) << r.reason;
        EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
    }
    EXPECT_TRUE(CardsFromCsv(Lines(1000, "")).ok);
    EXPECT_TRUE(CardsFromCsv(Lines(10, "master")).ok);
}

// Every name comes back as it was; those a spreadsheet would change (run as
// a formula, take for a number, a time or a truth value) are written after
// an apostrophe, and only those, so a name that starts with one survives too.
TEST(CardCsv, EveryNameRoundTripsAndTheGuardGoesOnlyWhereNeeded) {
    struct Case {
        const char* name;
        bool guarded;
    };
    const Case cases[] = {
        {"'=x", true},    {"'", true},       {"''", true},      {"'обычное", true}, {"007", true},
        {"12:30", true},  {"1e5", true},     {"1 000,5", true}, {"3.5", true},      {"TRUE", true},
        {"false", true},  {"-", true},       {"@a", true},      {"=1+1", true},     {"Иванов", false},
        {"a'b", false},   {"a=1", false},    {"Дом 5", false},  {"e", false},       {"", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TConfPelko dev;
        dev.AddCard(7, TextToCode("0A0B0C0D0E"), c.name);
        const std::string csv = CardsToCsv(dev);
        const std::size_t at = csv.find("0A0B0C0D0E;") + 11;
        EXPECT_EQ(csv[at] == '\'', c.guarded) << csv;
        const TCsvCards r = CardsFromCsv(csv);
        ASSERT_TRUE(r.ok) << CsvRefusal(r);
        ASSERT_EQ(r.cards.size(), 1u);
        EXPECT_EQ(r.cards[0].User, c.name);
    }
}

// What LibreOffice Calc 7.4 saved after opening and saving such files three
// times (--convert-to csv): the apostrophe guard survives every pass and the
// list comes back whole; the formula guard of earlier versions lost its codes
// on the second pass, and those are refused, never taken as other codes.
TEST(CardCsv, AListSavedAgainAndAgainBySpreadsheetKeepsItsCodesOrIsRefused) {
    const std::string thrice =
        "\"Ячейка\";\"Код\";\"Пользователь\";\"Вид\"\n"
        "1;\"'1234567E03\";\"'007\";\"пользователь\"\n"
        "2;\"'0012345678\";\"'12:30\";\"пользователь\"\n"
        "3;\"0A1B2C3D4E\";\"'1e5\";\"пользователь\"\n"
        "4;\"ABCDEF0123\";\"''=x\";\"пользователь\"\n"
        "5;\"ABCDEF0124\";\"'=1+1\";\"пользователь\"\n"
        "6;\"ABCDEF0125\";\"'TRUE\";\"пользователь\"\n"
        "1004;\"'0000000001\";\"Охрана\";\"мастер\"\n";
    const TCsvCards r = CardsFromCsv(thrice);
    ASSERT_TRUE(r.ok) << CsvRefusal(r);
    std::string got;
    for (const TCard& c : r.cards) got += std::to_string(c.Pos) + " " + CodeToText(c.Code) + " " + c.User + "\n";
    EXPECT_EQ(got,
              "1 1234567E03 007\n2 0012345678 12:30\n3 0A1B2C3D4E 1e5\n4 ABCDEF0123 '=x\n5 ABCDEF0124 =1+1\n"
              "6 ABCDEF0125 TRUE\n1004 0000000001 Охрана\n");
    // The same list written by this program reads as the same cards.
    TConfPelko dev;
    ReplaceCards(dev, r.cards);
    const TCsvCards own = CardsFromCsv(CardsToCsv(dev));
    ASSERT_TRUE(own.ok);
    ASSERT_EQ(own.cards.size(), r.cards.size());
    for (std::size_t i = 0; i < own.cards.size(); ++i) EXPECT_EQ(own.cards[i].User, r.cards[i].User);

    const std::string formulaTwice = "\"Ячейка\";\"Код\";\"Пользователь\";\"Вид\"\n1;1.23E+09;7;\"пользователь\"\n";
    EXPECT_FALSE(CardsFromCsv(formulaTwice).ok);
    const std::string lostZeros = "\"Ячейка\";\"Код\";\"Пользователь\";\"Вид\"\n3;12345678;\"a\";\"пользователь\"\n";
    EXPECT_FALSE(CardsFromCsv(lostZeros).ok);
}

std::string Utf16(const std::string& utf8, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t c = NextUtf8(utf8, pos);
        std::vector<char16_t> units;
        if (c >= 0x10000) {
            c -= 0x10000;
            units = {static_cast<char16_t>(0xD800 + (c >> 10)), static_cast<char16_t>(0xDC00 + (c & 0x3FF))};
        } else {
            units = {static_cast<char16_t>(c)};
        }
        for (char16_t u : units) {
            const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
            out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        }
    }
    return out;
}

// The same list in each form a spreadsheet or an editor saves: UTF-16 with
// its mark either way round, and lines ended by CR alone.
TEST(CardCsv, UnicodeTextAndBareCarriageReturnsReadTheSame) {
    const std::string utf8 = "Ячейка\tКод\tПользователь\tВид\n1\t0A0B0C0D0E\tПётр \xF0\x9F\x94\x91\t\n"
                             "1004\t0000000002\tОхрана\tмастер\n";
    std::string cr = utf8;
    std::replace(cr.begin(), cr.end(), '\n', '\r');
    for (const std::string& file : {utf8, Utf16(utf8, false), Utf16(utf8, true), cr, Utf16(cr, false)}) {
        const TCsvCards r = CardsFromCsv(file);
        ASSERT_TRUE(r.ok) << CsvRefusal(r);
        ASSERT_EQ(r.cards.size(), 2u);
        EXPECT_EQ(r.cards[0].User, "Пётр \xF0\x9F\x94\x91");
        EXPECT_EQ(r.cards[1].Pos, 1004);
    }
}

}  // namespace
}  // namespace pelko
