#include "sim/demo_line.h"

#include <array>
#include <cstdint>

namespace pelko {
namespace {

// A proximity card's code: the maker's version byte, then the 32-bit number
// printed on the card as facility (high half) and serial (low half).
SimCode Card(std::uint8_t version, std::uint16_t facility, std::uint16_t serial) {
    return {version, static_cast<std::uint8_t>(facility >> 8), static_cast<std::uint8_t>(facility),
            static_cast<std::uint8_t>(serial >> 8), static_cast<std::uint8_t>(serial)};
}

// Cards come in boxes of consecutive numbers, handed out in order.
SimCode BoxA(std::uint16_t k) { return Card(0x6D, 58, static_cast<std::uint16_t>(8000 + k)); }
SimCode BoxB(std::uint16_t k) { return Card(0x6D, 117, static_cast<std::uint16_t>(31250 + k)); }
SimCode BoxC(std::uint16_t k) { return Card(0x6D, 201, static_cast<std::uint16_t>(500 + k)); }

// Key fobs of other makes, bought one at a time.
constexpr std::array<SimCode, 6> kFobs{{
    {0x1B, 0x00, 0x4C, 0xD2, 0x81},
    {0x02, 0x00, 0xA7, 0x3E, 0x19},
    {0x84, 0x00, 0x0F, 0x6B, 0xC4},
    {0x3C, 0x00, 0xE1, 0x90, 0x07},
    {0x55, 0x00, 0x21, 0x08, 0xFA},
    {0x7E, 0x00, 0xB3, 0x5D, 0x62},
}};

// The installer's master cards.
SimCode Master(std::uint16_t k) { return Card(0xA0, 0, static_cast<std::uint16_t>(5000 + k)); }

// Cells emptied when their holders left: 12 (box A) and 27 (box B).
constexpr std::uint16_t kErasedA = 12;
constexpr std::uint16_t kErasedB = 27;

void Fill(SimLine& line, SimControllerId id, const std::vector<std::pair<std::uint16_t, SimCode>>& cells) {
    line.With(id, [&](SimController& c) {
        for (const auto& [cell, code] : cells) c.SetCell(cell, code);
    });
}

}  // namespace

void SetUpDemoLine(SimLine& line) {
    // Front door: box A in cells 0..25, box B in 26..35, the fobs in 36..41.
    std::vector<std::pair<std::uint16_t, SimCode>> front;
    for (std::uint16_t k = 0; k < 26; ++k)
        if (k != kErasedA) front.emplace_back(k, BoxA(k));
    for (std::uint16_t k = 0; k < 10; ++k)
        if (26 + k != kErasedB) front.emplace_back(26 + k, BoxB(k));
    for (std::uint16_t k = 0; k < kFobs.size(); ++k) front.emplace_back(36 + k, kFobs[k]);
    front.emplace_back(1000, Master(0));
    front.emplace_back(1001, Master(1));
    Fill(line, line.Add({.adr = 3, .baud = 9600}), front);

    // Back door: the management and one fob, and the first master card.
    Fill(line, line.Add({.adr = 17, .baud = 19200}),
         {{0, BoxA(0)}, {1, BoxA(1)}, {2, BoxA(2)}, {3, kFobs[0]}, {4, BoxB(0)}, {1000, Master(0)}});

    // Warehouse: its own box of cards.
    Fill(line, line.Add({.adr = 40, .baud = 9600, .password = kDemoOwnPassword}),
         {{0, BoxC(0)}, {1, BoxC(1)}, {2, BoxC(2)}, {3, BoxC(3)}});
}

std::vector<SimCode> DemoCards() {
    return {
        BoxA(26),                          // a new employee's card, the next one out of box A
        BoxA(kErasedA),                    // the card of an employee who left: its cell was erased
        Card(0x6D, 3, 1477),               // a card of the neighbouring firm's system
        {0x9F, 0x00, 0x5A, 0x11, 0xC3},    // a key fob bought at a kiosk
        Master(2),                         // a spare master card of the installer
    };
}

}  // namespace pelko
