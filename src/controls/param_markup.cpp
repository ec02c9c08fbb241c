#include "controls/param_markup.h"

#include "config/xml_entities.h"

namespace pelko {

namespace {

QString FromUtf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string RowPath(int row) {
    return std::string(markup::kRows) + "[" + std::to_string(row) + "]";
}

}  // namespace

bool TParamMarkup::Load(std::string_view markup) {
    return Parser_.Parse(markup);
}

QString TParamMarkup::Key() {
    return Parser_.SelectNode("/") ? FromUtf8(Parser_.GetAttribute(markup::kKey)) : QString();
}

int TParamMarkup::Count() const {
    return Parser_.CountNodes(markup::kRows);
}

bool TParamMarkup::SelectRow(int row) {
    return row >= 0 && Parser_.SelectNode(RowPath(row));
}

std::string TParamMarkup::Attribute(int row, std::string_view name) {
    return SelectRow(row) ? Parser_.GetAttribute(name) : std::string();
}

QString TParamMarkup::Name(int row) {
    return FromUtf8(DecodeEntities(Attribute(row, markup::kName)));
}

QString TParamMarkup::Value(int row) {
    return FromUtf8(DecodeEntities(Attribute(row, markup::kValue)));
}

TParamType TParamMarkup::Type(int row) {
    const std::string type = Attribute(row, markup::kType);
    if (type == markup::kText)
        return TParamType::ptText;
    if (type == markup::kList)
        return TParamType::ptList;
    if (type == markup::kNumber)
        return TParamType::ptNumber;
    if (type == markup::kConst)
        return TParamType::ptConst;
    return TParamType::ptOther;
}

QStringList TParamMarkup::Choices(int row) {
    QStringList choices;
    if (!SelectRow(row))
        return choices;
    const int count = Parser_.CountNodes("*");
    const std::string base = RowPath(row) + "/*[";
    for (int k = 0; k < count; ++k)
        if (Parser_.SelectNode(base + std::to_string(k) + "]"))
            choices << FromUtf8(Parser_.ContentText());
    return choices;
}

}  // namespace pelko
