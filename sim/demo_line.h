#pragma once
// The controllers the window demonstrates on when it runs on simulated
// controllers: a small office with a front door, a back door at another speed
// and a warehouse whose controller has a password of its own.
#include <vector>

#include "sim/sim_line.h"

namespace pelko {

// The warehouse controller's own password, 0A0B0C0D0E.
inline constexpr SimCode kDemoOwnPassword{0x0A, 0x0B, 0x0C, 0x0D, 0x0E};

// Puts on the line: 3 at 9600 with the common password, 40 user cards from
// cell 0 on (two cells erased in between) and master cards in 1000 and 1001;
// 17 at 19200 with the common password and a few cards; 40 at 9600 with
// kDemoOwnPassword and a few cards. The same codes every time.
void SetUpDemoLine(SimLine& line);

// Cards stored in none of those controllers, to hold to a reader.
std::vector<SimCode> DemoCards();

}  // namespace pelko
