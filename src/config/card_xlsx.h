#pragma once
// A controller's card list as an .xlsx workbook: the CSV file's columns on
// one sheet, the code and user columns as text cells, so that a spreadsheet
// keeps codes such as 1234567E03 and names such as 007 however often it
// saves the file. Builds without the libraries it needs say so instead.
#include <string>
#include <string_view>

#include "config/card_csv.h"

namespace pelko {

inline constexpr const char* kTextNoXlsx =
    "Эта сборка программы не читает и не записывает файлы .xlsx: используйте .csv.";

// Whether this build reads and writes .xlsx at all.
bool XlsxSupported();

struct TXlsxFile {
    bool ok = false;
    std::string bytes;
    std::string reason;  // why it could not be made
};

TXlsxFile CardsToXlsx(const TConfPelko& dev);

// The same rows and refusals as CardsFromCsv, with the sheet's row numbers;
// a code the sheet holds as a number is refused. A file that is no workbook
// is refused with line 0.
TCsvCards CardsFromXlsx(std::string_view bytes);

}  // namespace pelko
