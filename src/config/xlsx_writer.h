#pragma once
// A table as the only worksheet of an .xlsx file (through libxlsxwriter).
#include <string>
#include <vector>

namespace pelko {

struct XlsxColumn {
    std::string title;
    double width = 10;
    // A text column holds strings only, and is formatted as text so that what
    // is typed into it later stays text too; in the others a whole decimal
    // number is written as a number.
    bool text = true;
};

struct XlsxOutput {
    bool ok = false;
    std::string bytes;
    std::string reason;
};

// The titles in the first row (held in view while scrolling), then the rows.
XlsxOutput WriteXlsxTable(const std::vector<XlsxColumn>& columns, const std::vector<std::vector<std::string>>& rows);

}  // namespace pelko
