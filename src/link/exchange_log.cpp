#include "link/exchange_log.h"

#include <cstdio>
#include <iterator>
#include <utility>

#include "link/frame.h"

namespace pelko {

Verdict Classify(const Bytes& request, const std::uint8_t* a, std::size_t n) {
    if (n == 0) return Verdict::NoAnswer;
    if (n < kMinAnswer) return Verdict::Short;
    if (a[1] > n && a[1] <= kMaxAnswer) return Verdict::Short;
    if (n > kMaxAnswer || a[1] != n) return Verdict::BadLength;
    if (Crc16(a, n - 2) != (a[n - 2] << 8 | a[n - 1])) return Verdict::BadChecksum;
    if (request.size() < 3 || a[2] != request[2] + 1) return Verdict::OtherCommand;
    if (IsBusyAnswer(a, n)) return Verdict::Refused;
    return a[0] == request[0] ? Verdict::Ok : Verdict::OtherAddress;
}

const char* VerdictText(Verdict v) {
    switch (v) {
    case Verdict::Ok: return "ok";
    case Verdict::OtherAddress: return "чужой адрес";
    case Verdict::NoAnswer: return "нет ответа";
    case Verdict::Short: return "неполный ответ";
    case Verdict::BadLength: return "неверная длина";
    case Verdict::BadChecksum: return "неверная CRC";
    case Verdict::OtherCommand: return "чужая команда";
    case Verdict::Refused: return "отказ (0x22)";
    case Verdict::NotSent: return "не отправлен";
    }
    return "?";
}

std::string CommandName(const Bytes& r) {
    if (r.size() < 3) return "?";
    const auto cell = [&r] { return r.size() >= 5 ? std::to_string(r[3] | r[4] << 8) : std::string("?"); };
    switch (r[2]) {
    case 0xFE: return "поиск";
    case 0x02: return "опрос";
    case 0x72: return "опрос кнопки";
    case 0x24: return "вход";
    case 0x20: return "чтение ячейки " + cell();
    case 0x22: return "запись ячейки " + cell();
    case 0x26: return "смена пароля";
    case 0x34: return "запись параметров";
    case 0x36: return "чтение параметров";
    case 0x28: return "сброс";
    default: break;
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "команда %02X", r[2]);
    return buf;
}

std::string HexBytes(const Bytes& b) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(b.size() * 3);
    for (std::uint8_t x : b) {
        if (!s.empty()) s += ' ';
        s += kDigits[x >> 4];
        s += kDigits[x & 15];
    }
    return s;
}

// Login (0x24) carries one password, a password change (0x26) the old and
// the new one, each five bytes from the first data byte on.
std::string MaskedHexBytes(const Bytes& frame) {
    std::size_t masked = 0;
    if (frame.size() >= 3 && frame[2] == 0x24) masked = 5;
    if (frame.size() >= 3 && frame[2] == 0x26) masked = 10;
    std::string s = HexBytes(frame);
    constexpr std::size_t kFirstData = 3;
    for (std::size_t i = kFirstData; i < kFirstData + masked && i < frame.size(); ++i) {
        s[i * 3] = '*';
        s[i * 3 + 1] = '*';
    }
    return s;
}

void ExchangeLog::Push(ExchangeRecord&& record) {
    std::lock_guard<std::mutex> lock(FLock);
    if (FQueue.size() >= FCapacity) {
        FQueue.pop_front();
        ++FDropped;
    }
    FQueue.push_back(std::move(record));
}

void ExchangeLog::Drain(std::vector<ExchangeRecord>& out) {
    std::deque<ExchangeRecord> taken;
    {
        std::lock_guard<std::mutex> lock(FLock);
        taken.swap(FQueue);
    }
    out.insert(out.end(), std::make_move_iterator(taken.begin()), std::make_move_iterator(taken.end()));
}

std::uint64_t ExchangeLog::Dropped() const {
    std::lock_guard<std::mutex> lock(FLock);
    return FDropped;
}

}  // namespace pelko
