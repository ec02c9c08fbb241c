#pragma once
// The questions asked before a command overwrites a controller's card cells:
// they name the controller and what it will lose.
#include <set>
#include <string>
#include <vector>

#include "model/conf_pelko.h"

namespace pelko {

// "1 карта", "2 карты", "5 карт".
std::string CardsCount(int n);
// Before a reset of this controller.
std::string ResetQuestion(const TConfPelko& dev);
// Before its cards are written over every cell of each of these controllers;
// read holds the addresses whose cards were read in this session.
std::string WriteQuestion(const std::vector<const TConfPelko*>& devs, const std::set<int>& read);

}  // namespace pelko
