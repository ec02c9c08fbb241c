#pragma once
// Passwords from where other users cannot see them: a file (--pass-file,
// --own-file; "-" is standard input), the environment (PELKOCTL_PASS,
// PELKOCTL_OWN) or, for a new password, standard input in place of NEWHEX.
// The command line (--pass HEX) still works but shows in ps.
#include <functional>
#include <istream>
#include <string>

#include "pelkoctl/args.h"

namespace pelkoctl {

// The environment as the program sees it: nullptr when a name is unset.
using EnvLookup = std::function<const char*(const char*)>;

// Fills line.args.pass, .own and the NEWHEX word of password and common-pass
// from their sources. Standard input gives one line per source that names
// it, in the order: common password, own password, new password. False with
// a message for the user when a source cannot be read or two are given.
bool ResolvePasswords(ParsedLine& line, const EnvLookup& env, std::istream& in, std::string& error);

}  // namespace pelkoctl
