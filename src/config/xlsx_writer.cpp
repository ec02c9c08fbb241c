#include "config/xlsx_writer.h"

#include <stdlib.h>  // mkdtemp

#include <xlsxwriter.h>
#include <algorithm>
#include <filesystem>

#include "config/file_io.h"

namespace pelko {
namespace {

namespace fs = std::filesystem;

// The library writes files only: a private folder of our own holds its file
// and its temporary files, and goes with them.
class TempFolder {
public:
    TempFolder() {
        std::error_code ec;
        std::string pattern = (fs::temp_directory_path(ec) / "pelko-xlsx-XXXXXX").string();
        if (!ec && mkdtemp(pattern.data()) != nullptr) Path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ec;
        if (!Path_.empty()) fs::remove_all(Path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& Path() const { return Path_; }

private:
    std::string Path_;
};

bool WholeNumber(const std::string& s) {
    return !s.empty() && s.size() < 10 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A spreadsheet reads "_x0041_" in a string as the character it names (the
// way control characters are carried); text that looks like one gets its
// "_" written as _x005F_, which the library does not do itself.
std::string Escaped(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s.compare(i, 2, "_x") == 0 && i + 6 < s.size() && s[i + 6] == '_' &&
            std::all_of(s.begin() + static_cast<std::ptrdiff_t>(i) + 2, s.begin() + static_cast<std::ptrdiff_t>(i) + 6,
                        IsHex))
            out += "_x005F";
        out.push_back(s[i]);
    }
    return out;
}

lxw_error WriteSheet(lxw_workbook* book, const std::vector<XlsxColumn>& columns,
                     const std::vector<std::vector<std::string>>& rows) {
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* text = workbook_add_format(book);
    format_set_num_format(text, "@");
    lxw_format* title = workbook_add_format(book);
    format_set_bold(title);
    if (sheet == nullptr || text == nullptr || title == nullptr) return LXW_ERROR_MEMORY_MALLOC_FAILED;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const auto col = static_cast<lxw_col_t>(c);
        if (const lxw_error e =
                worksheet_set_column(sheet, col, col, columns[c].width, columns[c].text ? text : nullptr))
            return e;
        if (const lxw_error e = worksheet_write_string(sheet, 0, col, Escaped(columns[c].title).c_str(), title))
            return e;
    }
    worksheet_freeze_panes(sheet, 1, 0);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (std::size_t c = 0; c < rows[r].size() && c < columns.size(); ++c) {
            const std::string& v = rows[r][c];
            const auto col = static_cast<lxw_col_t>(c);
            const lxw_error e =
                !columns[c].text && WholeNumber(v)
                    ? worksheet_write_number(sheet, row, col, std::stod(v), nullptr)
                    : worksheet_write_string(sheet, row, col, Escaped(v).c_str(), columns[c].text ? text : nullptr);
            if (e) return e;
        }
    }
    return LXW_NO_ERROR;
}

XlsxOutput Failed(std::string reason) {
    XlsxOutput out;
    out.reason = std::move(reason);
    return out;
}

}  // namespace

XlsxOutput WriteXlsxTable(const std::vector<XlsxColumn>& columns, const std::vector<std::vector<std::string>>& rows) {
    const TempFolder folder;
    if (folder.Path().empty()) return Failed("нет временной папки для файла .xlsx");
    const std::string file = folder.Path() + "/cards.xlsx";
    lxw_workbook_options options{};
    std::string tmp = folder.Path();
    options.tmpdir = tmp.data();
    lxw_workbook* book = workbook_new_opt(file.c_str(), &options);
    if (book == nullptr) return Failed("не удалось начать файл .xlsx");
    const lxw_error written = WriteSheet(book, columns, rows);
    // Closing writes the file, and frees the workbook in any case.
    const lxw_error closed = workbook_close(book);
    if (written || closed)
        return Failed(std::string("не удалось составить файл .xlsx: ") + lxw_strerror(written ? written : closed));
    XlsxOutput out;
    const FileResult r = ReadWholeFile(file, out.bytes);
    if (!r.ok) return Failed("не удалось составить файл .xlsx: " + FileErrorText(r.error));
    out.ok = true;
    return out;
}

}  // namespace pelko
