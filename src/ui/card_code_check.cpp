#include "ui/card_code_check.h"

namespace pelko {
namespace {

bool HexDigit(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || (c >= QLatin1Char('A') && c <= QLatin1Char('F'));
}

}  // namespace

TCodeCheck CheckCardCode(const TConfPelko& conf, const QString& typed) {
    TCodeCheck check;
    const QString digits = typed.trimmed().toUpper();
    if (digits.size() < 10) {
        check.Message = "Введён неверный код";
        return check;
    }
    // Cutting a longer entry down would keep digits the user did not mean.
    if (digits.size() > 10) {
        check.Message = "Введён неверный код: в коде карты 10 знаков, введено " + std::to_string(digits.size());
        return check;
    }
    for (QChar c : digits) {
        if (!HexDigit(c)) {
            check.Message = "Введён неверный код.";
            return check;
        }
    }
    check.Code = TextToCode(digits.toStdString());
    std::uint16_t cell = conf.FindCodePos(false, check.Code);
    if (cell == NoCard) cell = conf.FindCodePos(true, check.Code);
    if (cell != NoCard) check.Message = "Введёный код уже есть в ячейке " + std::to_string(cell);
    return check;
}

}  // namespace pelko
