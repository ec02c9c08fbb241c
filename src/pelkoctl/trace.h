#pragma once
// --trace / --trace-file: one line per attempt, request then answer.
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "link/exchange_log.h"

namespace pelkoctl {

// "12.345678  9600  > 03 05 FE A8 74  поиск" and
// "12.349802  9600  < 03 06 FF 01 3A A2  ok  4.1 ms"; time in seconds from originUs.
std::string TraceLines(const pelko::ExchangeRecord& r, std::int64_t originWallUs);

class Trace {
public:
    // Writes to err, to the file, or to both. Ok() false when the file cannot be opened.
    Trace(bool toErr, const std::string& file, std::ostream& err);
    bool Ok() const { return FOk; }
    const std::shared_ptr<pelko::ExchangeLog>& log() const { return FLog; }
    void Flush();  // writes what the worker has reported so far
    // Shown every record Flush writes.
    std::function<void(const pelko::ExchangeRecord&)> onRecord;

private:
    std::shared_ptr<pelko::ExchangeLog> FLog = std::make_shared<pelko::ExchangeLog>(65536);
    std::ostream* FErr = nullptr;
    std::ofstream FFile;
    bool FOk = true;
    std::int64_t FOriginWallUs;
    std::uint64_t FDropped = 0;
};

}  // namespace pelkoctl
