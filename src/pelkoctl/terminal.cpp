#include "pelkoctl/terminal.h"

#include <cstdio>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "platform/win32_text.h"
#else
#include <unistd.h>
#endif

namespace pelkoctl {

#ifdef _WIN32

bool StderrIsTerminal() { return ::_isatty(::_fileno(stderr)) != 0; }

void PrepareConsole(int& argc, char**& argv) {
    ::SetConsoleOutputCP(CP_UTF8);
    int n = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &n);
    if (wide == nullptr) return;
    static std::vector<std::string> args;
    static std::vector<char*> pointers;
    for (int i = 0; i < n; ++i) args.push_back(pelko::win32::Narrow(wide[i]));
    ::LocalFree(wide);
    for (std::string& a : args) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    argc = n;
    argv = pointers.data();
}

#else

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) != 0; }

void PrepareConsole(int&, char**&) {}

#endif

}  // namespace pelkoctl
