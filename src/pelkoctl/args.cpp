#include "pelkoctl/args.h"

#include <charconv>
#include <cstdint>
#include <functional>
#include <map>

#include "link/baud_rate.h"

namespace pelkoctl {
namespace {

constexpr std::uint32_t kMaxTime = 40000;  // the widest time the program's settings allow

bool ParseUnsigned(const std::string& text, std::uint32_t max, std::uint32_t& out) {
    std::uint32_t v = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end || v > max) return false;
    out = v;
    return true;
}

using Setter = std::function<bool(Args&, const std::string&, std::string&)>;

Setter Number(std::uint32_t Args::*field, std::uint32_t max) {
    return [field, max](Args& a, const std::string& v, std::string& error) {
        if (ParseUnsigned(v, max, a.*field)) return true;
        error = "ожидается целое число от 0 до " + std::to_string(max);
        return false;
    };
}

Setter Text(std::string Args::*field) {
    return [field](Args& a, const std::string& v, std::string&) {
        a.*field = v;
        return true;
    };
}

const std::map<std::string, Setter>& Options() {
    static const std::map<std::string, Setter> options = {
        {"--port", Text(&Args::port)},
        {"--baud",
         [](Args& a, const std::string& v, std::string& error) {
             if (ParseUnsigned(v, 115200, a.baud) && pelko::IsStandardBaud(a.baud)) return true;
             error = "скорость должна быть одной из 2400, 4800, 9600, 19200, 38400, 57600, 115200";
             return false;
         }},
        {"--attempts",
         [](Args& a, const std::string& v, std::string& error) {
             a.attemptsGiven = true;
             return Number(&Args::attempts, 255)(a, v, error);
         }},
        {"--timeout", Number(&Args::timeoutMs, kMaxTime)},
        {"--multiplier", Number(&Args::multiplierMs, kMaxTime)},
        {"--tail", Number(&Args::tailUs, kMaxTime)},
        {"--pass", Text(&Args::pass)},
        {"--out", Text(&Args::out)},
        {"--own", Text(&Args::own)},
        {"--pass-file", Text(&Args::passFile)},
        {"--own-file", Text(&Args::ownFile)},
        {"--trace-file", Text(&Args::traceFile)},
        {"--backup", Text(&Args::backupDir)},
        {"--rts",
         [](Args& a, const std::string& v, std::string& error) {
             if (v != "auto" && v != "program") {
                 error = "ожидается auto или program";
                 return false;
             }
             a.rtsAuto = v == "auto";
             return true;
         }},
    };
    return options;
}

bool TakeOption(const std::string& word, int& i, int argc, const char* const* argv, Args& args,
                std::string& error) {
    std::string name = word;
    std::string value;
    bool hasValue = false;
    if (const std::size_t eq = word.find('='); eq != std::string::npos) {
        name = word.substr(0, eq);
        value = word.substr(eq + 1);
        hasValue = true;
    }
    const auto it = Options().find(name);
    if (it == Options().end()) {
        error = "неизвестный параметр " + name;
        return false;
    }
    if (!hasValue) {
        if (i + 1 >= argc) {
            error = "у параметра " + name + " нет значения";
            return false;
        }
        value = argv[++i];
    }
    std::string why;
    if (!it->second(args, value, why)) {
        error = "неверное значение " + name + " \"" + value + "\": " + why;
        return false;
    }
    return true;
}

}  // namespace

bool ParseCommandLine(int argc, const char* const* argv, ParsedLine& out, std::string& error) {
    out = ParsedLine{};
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--help" || word == "-h") {
            out.help = true;
        } else if (word == "--trace") {
            out.args.trace = true;
        } else if (word == "--show-pass") {
            out.args.showPass = true;
        } else if (word == "--yes") {
            out.args.yes = true;
        } else if (word == "--no-backup") {
            out.args.noBackup = true;
        } else if (word == "--all-cells") {
            out.args.allCells = true;
        } else if (word == "--version") {
            out.version = true;
        } else if (word.size() > 2 && word.rfind("--", 0) == 0) {
            if (!TakeOption(word, i, argc, argv, out.args, error)) return false;
        } else if (out.command.empty()) {
            out.command = word;
        } else {
            out.args.words.push_back(word);
        }
    }
    if (out.help || out.version) return true;
    if (out.command.empty()) {
        error = "не указана команда";
        return false;
    }
    // Only these open one controller with its own password: elsewhere the
    // option would be ignored and the user left guessing why.
    const bool ownUsed = out.command == "params" || out.command == "address" || out.command == "password" ||
                         out.command == "reset";
    if (!ownUsed && (!out.args.own.empty() || !out.args.ownFile.empty())) {
        error = "у команды " + out.command + " нет параметра --own: она открывает приборы общим паролем (--pass)";
        return false;
    }
    if (out.args.allCells && out.command != "write") {
        error = "у команды " + out.command + " нет параметра --all-cells: он только для write";
        return false;
    }
    return true;
}

std::string UsageText() {
    std::string text = "Использование: pelkoctl КОМАНДА [параметры]\n\nКоманды:\n";
    for (const Command& c : commands()) text += std::string("  pelkoctl ") + c.usage + "\n";
    text +=
        "\nПараметры:\n"
        "  --port PATH       устройство порта, например /dev/ttyUSB0 или COM3\n"
        "  --baud N          скорость линии: 2400..115200 (по умолчанию 9600)\n"
        "  --attempts N      попыток на один обмен (по умолчанию 3, у scan 1)\n"
        "  --timeout MS      ожидание ответа, мс (по умолчанию 120)\n"
        "  --multiplier MS   добавка ожидания на каждый байт, мс (по умолчанию 1)\n"
        "  --tail US         задержка переключения на приём, мкс (по умолчанию 400)\n"
        "  --rts auto|program  кто переключает приём/передачу: преобразователь сам (auto)\n"
        "                    или программа линией RTS (program, по умолчанию)\n"
        "  --pass-file FILE  общий пароль из первой строки файла (- стандартный вход);\n"
        "                    или переменная окружения PELKOCTL_PASS\n"
        "  --own-file FILE   собственный пароль прибора (params, address, password, reset)\n"
        "                    из файла (- стандартный вход); или PELKOCTL_OWN\n"
        "  NEWHEX -          новый пароль (password, common-pass) со стандартного входа\n"
        "  --pass HEX        общий пароль, 10 шестнадцатеричных цифр; виден другим\n"
        "                    пользователям (ps), лучше --pass-file\n"
        "  --own HEX         собственный пароль прибора; виден другим пользователям\n"
        "  --show-pass       показывать пароли в строках device (иначе PASS=**********)\n"
        "  --out FILE        файл для результата\n"
        "  --yes             продолжать, даже если приборы могут быть потеряны (speed, common-pass)\n"
        "                    или карты будут стёрты без резервной копии (write, reset)\n"
        "  --version         версия программы\n"
        "  --trace           каждая попытка обмена на stderr: время, скорость, байты, итог\n"
        "  --trace-file FILE то же в файл\n"
        "  --backup DIR      write, reset: резервные копии карт в DIR (без него — в папку копий окна)\n"
        "  --no-backup       write, reset: стирать карты без резервной копии (только вместе с --yes)\n"
        "                    (файлы с паролями создаются только для владельца, 0600)\n"
        "  --all-cells       write: записать и считать обратно все ячейки, а не только те, что\n"
        "                    отличаются от считанного из прибора (медленнее)\n"
        "  --help            эта справка\n"
        "\nКоды завершения: 0 - выполнено, 1 - нет ответа, 2 - неверные аргументы,\n"
        "3 - порт или файл не открывается, 4 - выполнено не полностью,\n"
        "5 - verify нашла различия.\n";
    return text;
}

}  // namespace pelkoctl
