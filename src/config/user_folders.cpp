#include "config/user_folders.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pelko {
namespace {

constexpr char kProgramFolder[] = "confpelko";

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v == nullptr ? std::string() : std::string(v);
}

std::string Folder(const char* xdgVar, const char* homeRelative) {
#ifdef _WIN32
    (void)xdgVar;
    (void)homeRelative;
    const std::string base = Env("LOCALAPPDATA");
    return base.empty() ? std::string() : base + "\\" + kProgramFolder;
#else
    const std::string xdg = Env(xdgVar);
    if (!xdg.empty() && xdg.front() == '/') return xdg + "/" + kProgramFolder;
    const std::string home = Env("HOME");
    if (home.empty()) return {};
    return home + "/" + homeRelative + "/" + kProgramFolder;
#endif
}

}  // namespace

std::string UserDataFolder() { return Folder("XDG_DATA_HOME", ".local/share"); }
std::string UserStateFolder() { return Folder("XDG_STATE_HOME", ".local/state"); }

std::string DefaultBackupFolder() {
    const std::string base = UserDataFolder();
    return base.empty() ? base : base + "/backups";
}

std::string DefaultJournalPath() {
    const std::string base = UserStateFolder();
    return base.empty() ? base : base + "/journal.txt";
}

std::string BackupFileName(const std::tm& t, std::uint8_t adr, int extra) {
    char name[96];
    std::snprintf(name, sizeof name, "%04d-%02d-%02d_%02d-%02d-%02d_adr%03u", t.tm_year + 1900, t.tm_mon + 1,
                  t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, static_cast<unsigned>(adr));
    std::string out = name;
    if (extra > 0) out += "-" + std::to_string(extra + 1);
    return out + ".txt";
}

bool MakeFolders(const std::string& path, std::string& why) {
    if (path.empty()) {
        why = "не известна домашняя папка";
        return false;
    }
    std::error_code ec;
    const std::filesystem::path p(path);
    if (std::filesystem::is_directory(p, ec)) return true;
    if (p.has_parent_path() && p.parent_path() != p && !MakeFolders(p.parent_path().string(), why)) return false;
#ifdef _WIN32
    std::filesystem::create_directory(p, ec);
    if (ec) {
        why = path + ": " + ec.message();
        return false;
    }
#else
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        why = path + ": " + std::strerror(errno);
        return false;
    }
#endif
    return true;
}

bool AppendLine(const std::string& path, const std::string& line, std::string& why) {
    const std::string whole = line + "\n";
#ifdef _WIN32
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << whole;
    out.flush();
    if (!out) {
        why = path;
        return false;
    }
    return true;
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0) {
        why = path + ": " + std::strerror(errno);
        return false;
    }
    const ssize_t n = ::write(fd, whole.data(), whole.size());
    const int err = errno;
    ::close(fd);
    if (n != static_cast<ssize_t>(whole.size())) {
        why = path + ": " + (n < 0 ? std::strerror(err) : "записано не всё");
        return false;
    }
    return true;
#endif
}

std::string StampText(const std::tm& t) {
    char s[64];
    std::snprintf(s, sizeof s, "%04d-%02d-%02d %02d:%02d:%02d", t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour,
                  t.tm_min, t.tm_sec);
    return s;
}

std::string JournalField(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    return text;
}

std::tm LocalNow() {
    const std::time_t now = std::time(nullptr);
    std::tm t{};
#ifdef _WIN32
    localtime_s(&t, &now);
#else
    localtime_r(&now, &t);
#endif
    return t;
}

}  // namespace pelko
