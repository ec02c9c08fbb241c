// Any bytes as a card list from a spreadsheet: never a crash, and a file
// that is taken reads back, once written out, as the very same cards.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "config/card_csv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelko;
    const TCsvCards first = CardsFromCsv(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!first.ok) {
        (void)CsvRefusal(first);
        return 0;
    }
    TConfPelko dev;
    ReplaceCards(dev, first.cards);
    const std::string text = CardsToCsv(dev);
    const TCsvCards again = CardsFromCsv(text);
    if (!again.ok) std::abort();
    TConfPelko back;
    ReplaceCards(back, again.cards);
    if (CardsToCsv(back) != text) std::abort();
    return 0;
}
