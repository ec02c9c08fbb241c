#pragma once
// TGroupDev: every controller the program knows of, sorted by bus address,
// no two sharing one, with the current controller Selected.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/color_cell.h"
#include "model/conf_pelko.h"

namespace pelko {

// Controller index in the group. Addresses 1..254 give at most 254
// controllers (indices 0..253), so NoDevice = 255 never names a controller;
// AddDevice refuses a 255th one.
using DevIndex = std::uint8_t;
inline constexpr DevIndex NoDevice = 255;
inline constexpr std::size_t kMaxDevices = 254;

// Bit numbers in TConfPelko::State. Other values select nothing.
enum TDevFlag : std::uint8_t { dfConnected = 0, dfOpened = 1, dfParamsRead = 2, dfInGroup = 3 };

class TGroupDev {
public:
    TGroupDev() = default;
    TGroupDev(const TGroupDev&) = delete;
    TGroupDev& operator=(const TGroupDev&) = delete;

    std::uint8_t Count() const { return static_cast<std::uint8_t>(Items_.size()); }
    DevIndex Selected() const { return Selected_; }

    // Index of the new controller; NoDevice when the address is taken or the
    // group is full.
    DevIndex AddDevice(std::uint8_t Adr);
    void DeleteDevice(DevIndex Index);
    // Destroys every controller; nothing is selected afterwards.
    void Clear();
    DevIndex IndexOfAdr(std::uint8_t Adr) const;
    void Select(DevIndex Index);
    // Objects stay at the same address while they are in the group.
    TConfPelko* GetDevice(DevIndex Index, TConfPelko* Default);
    const TConfPelko* GetDevice(DevIndex Index, const TConfPelko* Default) const;

    void SetState(DevIndex Index, TDevFlag Flag);
    void ClearState(DevIndex Index, TDevFlag Flag);
    bool GetState(DevIndex Index, TDevFlag Flag) const;
    void SetStateByAdr(std::uint8_t Adr, TDevFlag Flag);
    bool GetStateByAdr(std::uint8_t Adr, TDevFlag Flag) const;

    // Getters leave the output untouched and return false when out of range.
    bool GetConfig(DevIndex Index, TDevConfig& Config) const;
    // Byte 2 always keeps the controller's own address: only ChangeAdr moves it.
    void SetConfig(DevIndex Index, const TDevConfig& Config);
    bool GetName(DevIndex Index, std::string& Name) const;
    void SetName(DevIndex Index, const std::string& Name);
    bool GetPass(DevIndex Index, TCode& Pass) const;
    void SetPass(DevIndex Index, const TCode& Pass);

    // New index of the moved controller. NoDevice, with nothing changed, when
    // Index is out of range or another controller already has NewAdr.
    DevIndex ChangeAdr(DevIndex Index, std::uint8_t NewAdr);

    // 0 out of range; 1/3/5/7 by how far the program got with the controller,
    // plus 1 when it is in the group.
    std::uint8_t StateIndex(DevIndex Index) const;
    TColorCellList MakeCellList() const;

private:
    TConfPelko* At(DevIndex Index) const;
    std::size_t LowerBound(std::uint8_t Adr) const;

    std::vector<std::unique_ptr<TConfPelko>> Items_;
    DevIndex Selected_ = NoDevice;
};

// Display name of a controller new to the program.
std::string DefaultDeviceName(std::uint8_t Adr);

}  // namespace pelko
