#pragma once
// The code typed into the card inspector: exactly ten hexadecimal digits
// (blanks around them ignored), upper-cased, and not already held by another
// card of the device.
#include <QString>
#include <string>

#include "model/conf_pelko.h"

namespace pelko {

struct TCodeCheck {
    std::string Message;  // empty when the code may be used
    TCode Code = ZeroCode;
};

TCodeCheck CheckCardCode(const TConfPelko& conf, const QString& typed);

}  // namespace pelko
