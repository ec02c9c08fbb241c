#pragma once
// The cells of the first worksheet of an .xlsx file as text, as spreadsheets
// save them: shared strings (rich-text runs joined), inline strings, formula
// results and numbers; missing cells are empty.
#include <string>
#include <string_view>
#include <vector>

namespace pelko {

struct XlsxCell {
    std::string text;    // a number or truth value as the file writes it ("1234567000", "1")
    bool isText = true;  // false for numbers, truth values, dates and errors
};

struct XlsxRow {
    int number = 0;               // the sheet's row number, from 1
    std::vector<XlsxCell> cells;  // column A first
};

struct XlsxSheet {
    bool ok = false;
    std::vector<XlsxRow> rows;  // rows the file holds, in its order
    int row = 0;                // where it was refused; 0: the file as a whole
    std::string reason;
};

XlsxSheet ReadFirstSheet(std::string_view bytes);

}  // namespace pelko
