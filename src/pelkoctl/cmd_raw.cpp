// pelkoctl raw ADDR HEXBODY: one request, framed and checked by the link.
#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>

#include "link/frame.h"
#include "pelkoctl/cli_session.h"
#include "pelkoctl/commands.h"

namespace pelkoctl {
namespace {

bool ParseAddress(const std::string& text, std::uint8_t& adr) {
    unsigned v = 0;
    const char* end = text.data() + text.size();
    const auto [p, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec != std::errc() || p != end || v < 1 || v > 254) return false;
    adr = static_cast<std::uint8_t>(v);
    return true;
}

bool ParseHex(const std::string& text, pelko::Bytes& out) {
    if (text.empty() || text.size() % 2 != 0) return false;
    out.clear();
    for (std::size_t i = 0; i < text.size(); i += 2) {
        unsigned v = 0;
        const char* first = text.data() + i;
        const auto [p, ec] = std::from_chars(first, first + 2, v, 16);
        if (ec != std::errc() || p != first + 2) return false;
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return true;
}

std::string HexUpper(const pelko::Bytes& bytes) {
    std::string text;
    char buf[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        text += buf;
    }
    return text;
}

}  // namespace

int cmdRaw(const Args& args) {
    // Address and length byte come first; the link appends the checksum.
    constexpr std::size_t kMaxHexBytes = pelko::kMaxRequestBody - 2;
    pelko::Bytes tail;
    std::uint8_t adr = 0;
    if (args.words.size() != 2) {
        std::cerr << "pelkoctl: нужно raw ADDR HEXBODY\n";
        return kBadArgs;
    }
    if (!ParseAddress(args.words[0], adr)) {
        std::cerr << "pelkoctl: адрес должен быть числом от 1 до 254: " << args.words[0] << "\n";
        return kBadArgs;
    }
    if (!ParseHex(args.words[1], tail) || tail.size() > kMaxHexBytes) {
        std::cerr << "pelkoctl: HEXBODY - команда и данные, от 1 до " << kMaxHexBytes
                  << " байт шестнадцатеричными цифрами без пробелов: " << args.words[1] << "\n";
        return kBadArgs;
    }
    const pelko::Bytes body =
        pelko::MakeBody(adr, tail[0], pelko::Bytes(tail.begin() + 1, tail.end()));

    CliSession cli(args, false);
    if (const int rc = cli.Open(); rc != kOk) return rc;
    // Asynchronous, so a request that never comes back cannot hang the command.
    std::optional<pelko::Bytes> answer;
    cli.session().OnAsyncAnswer = [&](const pelko::Bytes& a, std::uint32_t) { answer = a; };
    std::uint32_t check = 0;
    cli.session().AsyncQuery(body, check);
    if (!cli.RunUntil([&] { return answer.has_value(); })) {
        std::cerr << "pelkoctl: " << cli.StallMessage() << "\n";
        return cli.PortLost() ? kNoAnswer : kIncomplete;
    }
    if (pelko::IsFailureAnswer(*answer)) {
        std::cout << "no answer\n";
        return kNoAnswer;
    }
    std::cout << HexUpper(*answer) << "\n";
    return kOk;
}

}  // namespace pelkoctl
