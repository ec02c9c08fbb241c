#include "ui/card_filter.h"

#include <algorithm>

namespace pelko {
namespace {

// "0a 1b-2C" is the code part 0A1B2C; anything else in it is no code.
std::string CodeNeedle(const QString& text) {
    std::string out;
    for (const QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char(':')) continue;
        const char a = static_cast<char>(c.toUpper().toLatin1());
        if (!((a >= '0' && a <= '9') || (a >= 'A' && a <= 'F'))) return {};
        out += a;
    }
    return out;
}

}  // namespace

void TCardFilter::SetText(const QString& text) {
    if (text == FText) return;
    FText = text;
    FNeedle = text.trimmed();
    FCodeNeedle = CodeNeedle(FNeedle);
    FKeep = NoCard;
    FRows.clear();
}

bool TCardFilter::Matches(const TCard& card) const {
    if (!Active()) return true;
    if (!FCodeNeedle.empty() && CodeToText(card.Code).find(FCodeNeedle) != std::string::npos) return true;
    return !card.User.empty() && QString::fromStdString(card.User).contains(FNeedle, Qt::CaseInsensitive);
}

void TCardFilter::Apply(const TConfPelko& conf, bool master) {
    FRows.clear();
    if (!Active()) return;
    const CardsArr& cards = master ? conf.MasterCards() : conf.UserCards();
    for (std::size_t i = 0; i < cards.size(); ++i)
        if (cards[i].Pos == FKeep || Matches(cards[i])) FRows.push_back(static_cast<std::uint16_t>(i));
}

int TCardFilter::Count(int listCount) const { return Active() ? static_cast<int>(FRows.size()) : listCount; }

int TCardFilter::IndexOf(int row, int listCount) const {
    if (row < 0 || row >= Count(listCount)) return -1;
    const int index = Active() ? FRows[static_cast<std::size_t>(row)] : row;
    return index < listCount ? index : -1;
}

int TCardFilter::RowOf(int index, int listCount) const {
    if (index < 0 || index >= listCount) return -1;
    if (!Active()) return index;
    const auto at = std::lower_bound(FRows.begin(), FRows.end(), index);
    return at != FRows.end() && *at == index ? static_cast<int>(at - FRows.begin()) : -1;
}

int TCardFilter::NearRow(int index, int listCount) const {
    const int rows = Count(listCount);
    if (rows == 0 || index < 0) return -1;
    if (!Active()) return std::min(index, rows - 1);
    const auto at = std::lower_bound(FRows.begin(), FRows.end(), index);
    return at == FRows.end() ? rows - 1 : static_cast<int>(at - FRows.begin());
}

}  // namespace pelko
