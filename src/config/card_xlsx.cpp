#include "config/card_xlsx.h"

#include "config/file_io.h"
#include "config/xlsx_sheet.h"
#include "config/xlsx_writer.h"

namespace pelko {
namespace {

constexpr std::size_t kCodeColumn = 1;

TCsvCards Refused(int line, std::string reason) {
    TCsvCards out;
    out.line = line;
    out.reason = std::move(reason);
    return out;
}

}  // namespace

bool XlsxSupported() { return true; }

TXlsxFile CardsToXlsx(const TConfPelko& dev) {
    const std::vector<XlsxColumn> columns = {{kCardColumns[0], 8, false},
                                             {kCardColumns[1], 14, true},
                                             {kCardColumns[2], 32, true},
                                             {kCardColumns[3], 14, true}};
    XlsxOutput written = WriteXlsxTable(columns, CardRows(dev));
    TXlsxFile out;
    out.ok = written.ok;
    out.bytes = std::move(written.bytes);
    out.reason = std::move(written.reason);
    return out;
}

TCsvCards CardsFromXlsx(std::string_view bytes) {
    if (bytes.size() > kMaxConfigFileSize) return Refused(0, "файл слишком велик для списка карт");
    XlsxSheet sheet = ReadFirstSheet(bytes);
    if (!sheet.ok) return Refused(sheet.row, sheet.reason);
    std::vector<TCardRow> rows;
    for (XlsxRow& r : sheet.rows) {
        TCardRow row{r.number, {}, r.cells.size() > kCodeColumn && !r.cells[kCodeColumn].isText};
        for (XlsxCell& c : r.cells) row.fields.push_back(std::move(c.text));
        rows.push_back(std::move(row));
    }
    // Text cells hold the names exactly: no apostrophe to take off.
    return CardsFromRows(std::move(rows), false);
}

}  // namespace pelko
