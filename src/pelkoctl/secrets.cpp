#include "pelkoctl/secrets.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace pelkoctl {
namespace {

std::string FirstLine(std::istream& in) {
    std::string line;
    std::getline(in, line);
    const std::size_t end = line.find_last_not_of(" \t\r");
    return end == std::string::npos ? std::string() : line.substr(0, end + 1);
}

bool ReadSource(const std::string& file, std::istream& in, std::string& out, std::string& error) {
    if (file == "-") {
        out = FirstLine(in);
        if (out.empty()) error = "на стандартном входе нет пароля";
        return !out.empty();
    }
    std::ifstream f(file);
    if (!f) {
        error = "не удалось открыть файл " + file + ": " + std::strerror(errno);
        return false;
    }
    out = FirstLine(f);
    if (out.empty()) error = "в файле " + file + " нет пароля";
    return !out.empty();
}

// One password from the option, its file or the environment variable.
bool Resolve(std::string& value, const std::string& file, const char* option, const char* fileOption,
             const char* var, const EnvLookup& env, std::istream& in, std::string& error) {
    if (!value.empty() && !file.empty()) {
        error = std::string("пароль задан дважды: ") + option + " и " + fileOption;
        return false;
    }
    if (!file.empty()) {
        if (!ReadSource(file, in, value, error)) {
            error = std::string(fileOption) + ": " + error;
            return false;
        }
        return true;
    }
    if (value.empty())
        if (const char* v = env(var); v != nullptr) value = v;
    return true;
}

}  // namespace

bool ResolvePasswords(ParsedLine& line, const EnvLookup& env, std::istream& in, std::string& error) {
    Args& a = line.args;
    if (!Resolve(a.pass, a.passFile, "--pass", "--pass-file", "PELKOCTL_PASS", env, in, error)) return false;
    if (!Resolve(a.own, a.ownFile, "--own", "--own-file", "PELKOCTL_OWN", env, in, error)) return false;
    const std::size_t at = line.command == "password" ? 1 : line.command == "common-pass" ? 0 : a.words.size();
    if (at < a.words.size() && a.words[at] == "-") {
        a.words[at] = FirstLine(in);
        if (a.words[at].empty()) {
            error = "на стандартном входе нет нового пароля";
            return false;
        }
    }
    return true;
}

}  // namespace pelkoctl
