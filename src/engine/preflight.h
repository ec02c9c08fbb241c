#pragma once
// What a command is about to erase, told before it starts: the window asks
// it as a question (No by default), pelkoctl goes on only with --yes or with
// --backup DIR and otherwise stops and prints it. Both front ends ask this
// one preflight, so their promises stay the same.
#include <set>
#include <string>
#include <vector>

#include "model/conf_pelko.h"

namespace pelko {

struct TPreflight {
    // The statement: each controller and what it will lose, one line each.
    std::string text;
    // What the window asks after it: "Записать карты?" / "Сбросить прибор?".
    std::string question;
    // The statement and the question, as the window's box shows them.
    std::string Question() const { return text + question; }
};

// The form of a counted word for n: one ("1 карта", "21 карта"), few ("2
// карты") or many ("5 карт", "11 карт").
const char* PluralForm(int n, const char* one, const char* few, const char* many);
// "1 карта", "2 карты", "5 карт".
std::string CardsCount(int n);
// Before a reset of this controller: every card it holds is erased.
TPreflight ResetPreflight(const TConfPelko& dev);
// Before the lists of these controllers are written over every cell; read
// holds the addresses whose cards were read in this session.
TPreflight WritePreflight(const std::vector<const TConfPelko*>& devs, const std::set<int>& read);

}  // namespace pelko
