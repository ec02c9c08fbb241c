#pragma once
// CPU time this process has used so far, user and system, in seconds.
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#endif

namespace pelko::bench {

inline double ProcessCpuSeconds() {
#ifdef _WIN32
    FILETIME created{}, ended{}, kernel{}, user{};
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &ended, &kernel, &user)) return 0;
    auto s = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return s(kernel) + s(user);
#else
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return s(u.ru_utime) + s(u.ru_stime);
#endif
}

}  // namespace pelko::bench
