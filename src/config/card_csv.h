#pragma once
// A controller's card list as a spreadsheet file: one card a line, columns
// cell, code, user and kind, ";" between them, UTF-8 with a byte-order mark
// so that a spreadsheet in a Russian locale opens it as it is.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/conf_pelko.h"

namespace pelko {

inline constexpr const char* kCsvKindUser = "пользователь";
inline constexpr const char* kCsvKindMaster = "мастер";
// The columns of a card table, CSV or sheet alike.
inline constexpr std::array<const char*, 4> kCardColumns = {"Ячейка", "Код", "Пользователь", "Вид"};

// Every card of the device as plain text in those columns, user cards then
// master cards, by cell.
std::vector<std::vector<std::string>> CardRows(const TConfPelko& dev);

// Every card of the device, user cards then master cards, by cell.
std::string CardsToCsv(const TConfPelko& dev);

struct TCsvCards {
    bool ok = false;
    std::vector<TCard> cards;  // cells assigned, in the file's order
    int line = 0;              // where the file was refused; 0: the file as a whole
    std::string reason;
};

// One line of a CSV file or one row of a sheet.
struct TCardRow {
    int line = 0;  // where it starts
    std::vector<std::string> fields;
    bool codeIsNumber = false;  // a sheet holds the code as a number, which is refused
};

// The rows of a card table, the column titles first; empty rows and empty
// fields at the right are skipped. apostropheGuard: user names come back
// from the apostrophe CardsToCsv puts before some. Refusals as CardsFromCsv's.
TCsvCards CardsFromRows(std::vector<TCardRow> rows, bool apostropheGuard);

// Codes a spreadsheet would read as numbers ("0012345678", "1234567E03")
// and user names it would run as formulas or take for numbers, dates or
// times are written after an apostrophe, which a spreadsheet keeps as text
// however often the file is saved again; a name starting with an apostrophe
// gets one too, so every name comes back as it was.
// Reads such a file back, as written or as a spreadsheet saved it (no BOM,
// windows-1251 or UTF-16 with its mark, "," or tab between columns, quoted
// fields, CR, LF or CR LF line ends). A line without a cell takes the first
// free cell of its kind. The first fault refuses the whole file: among them
// a code a spreadsheet turned into a number (too short, or with a decimal
// point or an exponent) and a control character in a user name.
TCsvCards CardsFromCsv(std::string_view bytes);

// "Строка 5: неверный код «12G4»."
std::string CsvRefusal(const TCsvCards& result);

// The device's cards become exactly these; marks go with the old cards.
void ReplaceCards(TConfPelko& dev, const std::vector<TCard>& cards);

}  // namespace pelko
