// A build without libxlsxwriter and libzip (the Windows one): .xlsx is
// refused with words that point to .csv.
#include "config/card_xlsx.h"

namespace pelko {

bool XlsxSupported() { return false; }

TXlsxFile CardsToXlsx(const TConfPelko&) {
    TXlsxFile out;
    out.reason = kTextNoXlsx;
    return out;
}

TCsvCards CardsFromXlsx(std::string_view) {
    TCsvCards out;
    out.reason = kTextNoXlsx;
    return out;
}

}  // namespace pelko
