#pragma once
// Whether standard error is a terminal a person watches (progress is drawn
// there), and a console that shows the program's UTF-8 text.

namespace pelkoctl {

bool StderrIsTerminal();

// Windows: the console takes UTF-8 and the arguments are read as UTF-8
// (argv as the C runtime gives it is in the ANSI code page). Elsewhere
// nothing changes. The vector keeps the strings argv points to.
void PrepareConsole(int& argc, char**& argv);

}  // namespace pelkoctl
