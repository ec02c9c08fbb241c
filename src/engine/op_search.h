#pragma once
// Device search: every address at the current speed, the group's addresses
// after a file was loaded, or every line speed until a controller answers.
// The line is searched first (the link's fast search); each controller found
// is then, in address order, logged in to and its parameters (with
// AutoReadKey, first its cards) are read.
#include <cstdint>

#include "engine/engine_core.h"

namespace pelko {

class TSearchOp : public TOperation {
public:
    enum class Mode { Addresses, Group, AllSpeeds };
    enum Step { Scan, Login, ReadConfig, ReadCell, SpeedScan };

    TSearchOp(TEngineCore& core, Mode mode, std::uint8_t firstAdr, bool readCards)
        : TOperation(core), FMode(mode), FAdr(firstAdr), FReadCards(readCards) {}

    TOperState State() const override { return FMode == Mode::AllSpeeds ? osSearchAllSpeeds : osSearch; }
    void Start() override;
    void OnAnswer(int step, const TAnswer& a) override;
    void OnScanned(int step, const Bytes& found) override;
    void OnScanProgress(std::uint32_t done, std::uint32_t total, std::uint32_t found) override;
    const char* StepName(int step) const override;
    // Back to the search's own bar and polling, whether a card read ended or failed.
    void EndAutoRead();

private:
    Bytes Addresses() const;
    void Found(std::uint8_t adr);
    void FoundWhileCancelled(const Bytes& found);
    void LoggedIn(const TAnswer& a);
    void ConfigRead(const TAnswer& a);
    void CellRead(const TAnswer& a);
    void SpeedScanned(const Bytes& found);
    void StartAutoRead(std::uint8_t index);
    void Next();
    void NextSpeed();

    Mode FMode;
    std::uint8_t FAdr;       // the controller being opened
    bool FReadCards;
    Bytes FFound;            // what the search of the line found, ascending
    std::size_t FNext = 0;   // the next of them to open
    TCode FPass = ZeroCode;  // of the login on the line
    bool FAutoReading = false;
    std::uint16_t FCell = 0;
    int FSearchMax = 0;  // the search's own bar, kept while a device's cards are read
    int FSearchPos = 0;
};

}  // namespace pelko
