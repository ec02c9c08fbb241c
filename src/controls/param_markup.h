#pragma once
// The inspector's parameter markup, kept in the program's own XML reader:
// a root "Параметры" with the key "ключ" and one "Параметр" per row.
// Names are compared as UTF-8 bytes.
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

#include "config/xml_parser.h"

namespace pelko {

enum class TParamType { ptText, ptList, ptNumber, ptConst, ptOther };

class TParamMarkup {
public:
    // Parses the UTF-8 markup; on failure the markup holds no rows.
    bool Load(std::string_view markup);

    QString Key();
    int Count() const;
    // Raw attribute of a row ("" when the row or the attribute is missing).
    std::string Attribute(int row, std::string_view name);
    QString Name(int row);   // entities decoded
    QString Value(int row);  // entities decoded
    TParamType Type(int row);
    // Text of each child of the row, in document order.
    QStringList Choices(int row);

private:
    bool SelectRow(int row);

    TSimpleXMLParser Parser_;
};

// Attribute and type names of the markup.
namespace markup {
inline constexpr std::string_view kRows = "/Параметр";
inline constexpr std::string_view kKey = "ключ";
inline constexpr std::string_view kName = "название";
inline constexpr std::string_view kType = "тип";
inline constexpr std::string_view kValue = "значение";
// What the owner knows the row by; its name is display text only.
inline constexpr std::string_view kField = "поле";
inline constexpr std::string_view kMaximum = "максимум";
inline constexpr std::string_view kMinimum = "минимум";
inline constexpr std::string_view kDivisor = "делитель";
inline constexpr std::string_view kText = "текст";
inline constexpr std::string_view kList = "список";
inline constexpr std::string_view kNumber = "число";
inline constexpr std::string_view kConst = "константа";
}  // namespace markup

}  // namespace pelko
