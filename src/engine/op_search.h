#pragma once
// Device search: every address at the current speed, the group's addresses
// after a file was loaded, or every line speed until a controller answers.
// Each controller found is logged in to and its parameters (with
// AutoReadKey, first its cards) are read.
#include <cstdint>

#include "engine/engine_core.h"

namespace pelko {

class TSearchOp : public TOperation {
public:
    enum class Mode { Addresses, Group, AllSpeeds };
    enum Step { Probe, Login, ReadConfig, ReadCell, SpeedProbe };

    TSearchOp(TEngineCore& core, Mode mode, std::uint8_t firstAdr, bool readCards)
        : TOperation(core), FMode(mode), FAdr(firstAdr), FReadCards(readCards) {}

    TOperState State() const override { return FMode == Mode::AllSpeeds ? osSearchAllSpeeds : osSearch; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    const char* StepName(int step) const override;
    // Back to the search's own bar and polling, whether a card read ended or failed.
    void EndAutoRead();

private:
    void Found(const TAnswer& a);
    void LoggedIn(const TAnswer& a);
    void ConfigRead(const TAnswer& a);
    void CellRead(const TAnswer& a);
    void SpeedProbed(const TAnswer& a);
    void StartAutoRead(std::uint8_t index);
    void Next();
    void NextInGroup();
    void NextSpeed();

    Mode FMode;
    std::uint8_t FAdr;       // the address probed
    bool FReadCards;
    int FBase = 0;           // first address of a search continued after the all-speed probe
    TCode FPass = ZeroCode;  // of the login on the line
    bool FAutoReading = false;
    std::uint16_t FCell = 0;
    int FSearchMax = 0;  // the search's own bar, kept while a device's cards are read
    int FSearchPos = 0;
};

}  // namespace pelko
