#include "sim/sim_options.h"

#include <charconv>

namespace pelko {
namespace {

template <typename T>
std::optional<T> Number(const std::string& s, int base = 10) {
    T v{};
    const char* end = s.data() + s.size();
    auto [p, ec] = std::from_chars(s.data(), end, v, base);
    if (s.empty() || ec != std::errc() || p != end) return std::nullopt;
    return v;
}

std::vector<std::string> Split(const std::string& s, char sep) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = s.find(sep, from)) != std::string::npos; from = at + 1)
        parts.push_back(s.substr(from, at - from));
    parts.push_back(s.substr(from));
    return parts;
}

bool AddFaultOption(const std::string& text, SimOptions& out) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    const auto adr = ParseAddress(text.substr(0, colon));
    const auto fault = ParseFault(text.substr(colon + 1));
    if (!adr || !fault) return false;
    out.faults.push_back({*adr, *fault});
    return true;
}

bool AddDelayOption(const std::string& text, SimOptions& out) {
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos) return false;
    const auto adr = ParseAddress(text.substr(0, colon));
    const auto ms = Number<std::int64_t>(text.substr(colon + 1));
    if (!adr || !ms || *ms < 0 || *ms > 60'000) return false;
    out.delays.emplace_back(*adr, *ms * 1000);
    return true;
}

}  // namespace

std::optional<std::uint8_t> ParseAddress(const std::string& text) {
    const auto v = Number<unsigned>(text);
    if (!v || *v < 1 || *v > 254) return std::nullopt;
    return static_cast<std::uint8_t>(*v);
}

std::optional<SimCode> ParseHexCode(const std::string& text) {
    if (text.size() != 10) return std::nullopt;
    SimCode c{};
    for (std::size_t i = 0; i < c.size(); ++i) {
        const auto b = Number<unsigned>(text.substr(2 * i, 2), 16);
        if (!b) return std::nullopt;
        c[i] = static_cast<std::uint8_t>(*b);
    }
    return c;
}

std::optional<SimControllerSetup> ParseControllerEntry(const std::string& text, const SimOptions& base) {
    const std::size_t at = text.find('@');
    const auto adr = ParseAddress(text.substr(0, at));
    if (!adr) return std::nullopt;
    SimControllerSetup s{.adr = *adr,
                         .baud = 9600,
                         .password = base.password,
                         .factoryPassword = base.factoryPassword,
                         .restartUs = base.restartMs * 1000};
    if (at != std::string::npos) {
        const auto baud = Number<std::uint32_t>(text.substr(at + 1));
        if (!baud || SpeedCodeOfBaud(*baud) == 0) return std::nullopt;
        s.baud = *baud;
    }
    return s;
}

std::optional<std::int64_t> ParseAdapterLatency(const std::string& text) {
    const auto n = Number<std::int64_t>(text);
    if (!n || *n < 0 || *n > 255) return std::nullopt;
    return n;
}

bool ParseSimOptions(const std::vector<std::string>& args, SimOptions& out, std::string& error) {
    std::vector<std::string> entries;
    bool listed = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            return args[++i];
        };
        auto bad = [&](const std::string& what) {
            error = "Неверный параметр " + a + (what.empty() ? "" : " " + what);
            return false;
        };
        if (a == "--help" || a == "-h") {
            out.help = true;
        } else if (a == "--version") {
            out.version = true;
        } else if (a == "--timing") {
            out.timing = true;
        } else if (a == "--echo") {
            out.echo = true;
        } else if (a == "--log") {
            out.log = true;
        } else if (a == "--no-stdin") {
            out.useStdin = false;
        } else if (a == "--demo") {
            out.demo = true;
        } else if (a == "--controllers") {
            const auto v = value();
            if (!v) return bad("");
            listed = true;
            if (!v->empty())
                for (const std::string& s : Split(*v, ',')) entries.push_back(s);
        } else if (a == "--seed") {
            const auto v = value();
            const auto n = v ? Number<std::uint64_t>(*v) : std::nullopt;
            if (!n) return bad(v.value_or(""));
            out.seed = *n;
        } else if (a == "--restart-ms") {
            const auto v = value();
            const auto n = v ? Number<std::int64_t>(*v) : std::nullopt;
            if (!n || *n < 0 || *n > 86'400'000) return bad(v.value_or(""));
            out.restartMs = *n;
        } else if (a == "--turnaround-us") {
            const auto v = value();
            const auto n = v ? Number<std::int64_t>(*v) : std::nullopt;
            if (!n || *n < 0 || *n > 1'000'000) return bad(v.value_or(""));
            out.turnaroundUs = *n;
        } else if (a == "--adapter-latency") {
            const auto v = value();
            const auto n = v ? ParseAdapterLatency(*v) : std::nullopt;
            if (!n) return bad(v.value_or(""));
            out.adapterLatencyMs = *n;
        } else if (a == "--password" || a == "--factory-pass") {
            const auto v = value();
            const auto c = v ? ParseHexCode(*v) : std::nullopt;
            if (!c) return bad(v.value_or(""));
            (a == "--password" ? out.password : out.factoryPassword) = *c;
        } else if (a == "--fault") {
            const auto v = value();
            if (!v || !AddFaultOption(*v, out)) return bad(v.value_or(""));
        } else if (a == "--delay") {
            const auto v = value();
            if (!v || !AddDelayOption(*v, out)) return bad(v.value_or(""));
        } else {
            error = "Неизвестный параметр " + a;
            return false;
        }
    }
    if (out.demo && listed) {
        error = "--demo и --controllers вместе не задаются";
        return false;
    }
    if (!listed && !out.demo) entries.push_back("1");
    for (const std::string& s : entries) {
        const auto c = ParseControllerEntry(s, out);
        if (!c) {
            error = "Неверный контроллер " + s + " (нужно АДРЕС или АДРЕС@СКОРОСТЬ)";
            return false;
        }
        out.controllers.push_back(*c);
    }
    return true;
}

const char* SimUsage() {
    return R"(pelko-sim — контроллеры Pelko-Q250 на псевдотерминале.

Первая строка вывода — путь к псевдотерминалу; программа открывает его как порт.

Параметры:
  --controllers СПИСОК  контроллеры через запятую: АДРЕС или АДРЕС@СКОРОСТЬ
                        (скорость по умолчанию 9600); без параметра — один, адрес 1
  --demo                контроллеры имитации окна confpelko: 3 (9600, 40 карт), 17 (19200)
                        и 40 (9600, свой пароль 0A0B0C0D0E)
  --password HEX10      пароль, с которым контроллеры начинают (по умолчанию 1122334455)
  --factory-pass HEX10  пароль после сброса (по умолчанию 1122334455)
  --restart-ms N        сколько молчит контроллер после сброса (по умолчанию 3000)
  --fault АДРЕС:ВИД[@КОМАНДА][:ДОЛЯ[:ЧИСЛО]]
                        сбой контроллера; ВИД: silent, busy, short (один байт данных), badcrc,
                        late (ЧИСЛО — задержка, мс),
                        otheraddr (ЧИСЛО — адрес в ответе), noreturn (не вернётся после сброса),
                        echo (запрос возвращается программе перед ответом),
                        twice (ответ ещё раз через ЧИСЛО мс, 0 — сразу),
                        repeat (перед ответом — предыдущий ответ),
                        stray (предыдущий ответ ещё раз через ЧИСЛО мс после ответа, по умолчанию 600);
                        КОМАНДА — код запроса (hex), ДОЛЯ — вероятность 0..1
  --delay АДРЕС:МС      контроллер отвечает на каждый запрос на столько мс позже обычного
  --seed N              начальное число для случайных сбоев (по умолчанию 1)
  --turnaround-us N     с --timing: пауза между концом запроса и ответом, мкс (по умолчанию 1000)
  --timing              выдавать ответ побайтно со скоростью линии
  --echo                преобразователь возвращает программе каждый её кадр (для любого адреса)
  --adapter-latency МС  порт программы на USB-адаптере с таймером задержки МС (1..255):
                        принятое ждёт в адаптере, пока таймер не истечёт или не наберётся 62 байта
  --log                 все кадры линии на stderr
  --no-stdin            не читать команды со стандартного ввода (работа до SIGTERM)
  --version             версия программы
  --help                эта справка

Команды на стандартном вводе (ответ: ok или "ошибка: ..."):
  card АДРЕС HEX10      поднести карту к считывателю
  nocard АДРЕС          убрать карту
  button АДРЕС on|off   кнопка
  add АДРЕС[@СКОРОСТЬ]  подключить новый контроллер
  remove АДРЕС          отключить контроллер насовсем
  unplug АДРЕС / plug АДРЕС   отсоединить / вернуть контроллер с его памятью
  fault АДРЕС ВИД[@КОМАНДА][:ДОЛЯ[:ЧИСЛО]]   добавить сбой
  nofault АДРЕС         снять все сбои
  seed N                заново задать начальное число сбоев
  cell АДРЕС ЯЧЕЙКА HEX10   записать код прямо в ячейку (0..1009)
  list                  состояние всех контроллеров
  log on|off            вывод кадров на stderr
  echo on|off           эхо преобразователя на всей линии
  latency МС            таймер USB-адаптера, мс (0 — без адаптера, 1 — программа просила малую задержку)
  quit                  завершить работу (также конец стандартного ввода, SIGTERM, SIGINT)
)";
}

}  // namespace pelko
