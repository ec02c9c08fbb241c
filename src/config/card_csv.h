#pragma once
// A controller's card list as a spreadsheet file: one card a line, columns
// cell, code, user and kind, ";" between them, UTF-8 with a byte-order mark
// so that a spreadsheet in a Russian locale opens it as it is.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/conf_pelko.h"

namespace pelko {

inline constexpr const char* kCsvKindUser = "пользователь";
inline constexpr const char* kCsvKindMaster = "мастер";

// Every card of the device, user cards then master cards, by cell.
std::string CardsToCsv(const TConfPelko& dev);

struct TCsvCards {
    bool ok = false;
    std::vector<TCard> cards;  // cells assigned, in the file's order
    int line = 0;              // where the file was refused
    std::string reason;
};

// Codes a spreadsheet would read as numbers are written as ="0012345678"
// so that it keeps them as text; user names it would run as formulas get a
// leading apostrophe.
// Reads such a file back, as written or as a spreadsheet saved it (no BOM,
// windows-1251, "," or tab between columns, quoted fields). A line without a
// cell takes the first free cell of its kind. The first fault refuses the
// whole file.
TCsvCards CardsFromCsv(std::string_view bytes);

// "Строка 5: неверный код «12G4»."
std::string CsvRefusal(const TCsvCards& result);

// The device's cards become exactly these; marks go with the old cards.
void ReplaceCards(TConfPelko& dev, const std::vector<TCard>& cards);

}  // namespace pelko
