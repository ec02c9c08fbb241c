#pragma once
// The engine's operation context: which operation runs and where it stands.
// One instance for the whole run of the program.
#include <cstdint>
#include <string>

#include "model/code.h"
#include "model/conf_pelko.h"
#include "model/dev_config.h"

namespace pelko {

enum TOperState : std::uint8_t {
    osNone = 0,
    osSearch = 1,
    osSearchAllSpeeds = 2,
    osIdle = 3,
    osSetSpeed = 4,
    osSetStandPass = 5,
    osReadSelected = 6,
    osReadAll = 7,
    osWriteCard = 8,
    osEraseSelected = 9,
    osEraseCard = 10,
    osCaptureCode = 11,
    osMoveCard = 12,
    osChangeCode = 13,
    osCopyCard = 14,
    osCopyCards = 15,
    osReset = 16,
    osWriteSelected = 17,
    osWriteAll = 18,
};

struct TOperContext {
    TOperState OperState = osNone;
    std::uint8_t CurIndex = 1;        // device index; during a search the probed address
    std::uint16_t CurCell = 0;        // cell of a read; list index in list operations
    std::uint16_t WriteCell = 0;      // cell being written; NoCard = none
    std::uint16_t AnswerCount = 0;
    std::uint32_t LastCheck = 0;      // Check of the last request of a batch
    TCode CurPass = ZeroCode;         // password of the last login
    TCode NewStandPass = ZeroCode;    // common password to put into devices
    TDevConfig WorkConfig{};
    TCode WorkCode = ZeroCode;
    std::string WorkUser;
    // The device that receives cells during a copy, by address: the object
    // itself may go away while an operation waits, its address cannot.
    std::uint8_t WorkDevice = 0;
};

}  // namespace pelko
