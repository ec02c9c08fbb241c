#include "model/group_dev.h"

#include <algorithm>
#include <array>

namespace pelko {

namespace {

std::uint8_t FlagBit(TDevFlag Flag) { return static_cast<std::uint8_t>(1u << Flag); }

bool ValidFlag(TDevFlag Flag) { return Flag <= dfInGroup; }

// Indexed by StateIndex 1..8: the lighter shade outside the group, the stronger inside.
constexpr std::array<std::uint32_t, 9> kStateColors = {
    0x000000, 0x6060FF, 0x0000FF, 0xFF8000, 0xFF0000, 0x00FF00, 0x008000, 0x80FFFF, 0x00FFFF};

}  // namespace

std::string DefaultDeviceName(std::uint8_t Adr) {
    return "Прибор: " + std::to_string(Adr);
}

TConfPelko* TGroupDev::At(DevIndex Index) const {
    return Index < Items_.size() ? Items_[Index].get() : nullptr;
}

std::size_t TGroupDev::LowerBound(std::uint8_t Adr) const {
    auto it = std::lower_bound(Items_.begin(), Items_.end(), Adr,
                               [](const auto& d, std::uint8_t a) { return d->Config[kAdrByte] < a; });
    return static_cast<std::size_t>(it - Items_.begin());
}

DevIndex TGroupDev::AddDevice(std::uint8_t Adr) {
    const std::size_t place = LowerBound(Adr);
    if (place < Items_.size() && Items_[place]->Config[kAdrByte] == Adr) return NoDevice;
    if (Items_.size() >= kMaxDevices) return NoDevice;
    auto dev = std::make_unique<TConfPelko>();
    dev->Config[kAdrByte] = Adr;
    dev->State = FlagBit(dfConnected);
    dev->Name = DefaultDeviceName(Adr);
    const bool selectionValid = Selected_ < Items_.size();
    Items_.insert(Items_.begin() + static_cast<std::ptrdiff_t>(place), std::move(dev));
    if (selectionValid && place <= Selected_) ++Selected_;
    return static_cast<DevIndex>(place);
}

void TGroupDev::DeleteDevice(DevIndex Index) {
    if (Index >= Items_.size()) return;
    Items_.erase(Items_.begin() + Index);
    if (Selected_ != NoDevice && Selected_ > Index) --Selected_;
    // The deleted controller was the last one selected: nothing is selected now.
    if (Selected_ >= Items_.size()) Selected_ = NoDevice;
}

void TGroupDev::Clear() {
    Items_.clear();
    Selected_ = NoDevice;
}

DevIndex TGroupDev::IndexOfAdr(std::uint8_t Adr) const {
    const std::size_t place = LowerBound(Adr);
    if (place < Items_.size() && Items_[place]->Config[kAdrByte] == Adr) return static_cast<DevIndex>(place);
    return NoDevice;
}

void TGroupDev::Select(DevIndex Index) { Selected_ = Index < Items_.size() ? Index : NoDevice; }

TConfPelko* TGroupDev::GetDevice(DevIndex Index, TConfPelko* Default) {
    TConfPelko* dev = At(Index);
    return dev != nullptr ? dev : Default;
}

const TConfPelko* TGroupDev::GetDevice(DevIndex Index, const TConfPelko* Default) const {
    const TConfPelko* dev = At(Index);
    return dev != nullptr ? dev : Default;
}

void TGroupDev::SetState(DevIndex Index, TDevFlag Flag) {
    if (TConfPelko* dev = At(Index); dev != nullptr && ValidFlag(Flag)) dev->State |= FlagBit(Flag);
}

void TGroupDev::ClearState(DevIndex Index, TDevFlag Flag) {
    if (TConfPelko* dev = At(Index); dev != nullptr && ValidFlag(Flag))
        dev->State &= static_cast<std::uint8_t>(~FlagBit(Flag));
}

bool TGroupDev::GetState(DevIndex Index, TDevFlag Flag) const {
    const TConfPelko* dev = At(Index);
    return dev != nullptr && ValidFlag(Flag) && (dev->State & FlagBit(Flag)) != 0;
}

void TGroupDev::SetStateByAdr(std::uint8_t Adr, TDevFlag Flag) { SetState(IndexOfAdr(Adr), Flag); }

bool TGroupDev::GetStateByAdr(std::uint8_t Adr, TDevFlag Flag) const {
    return GetState(IndexOfAdr(Adr), Flag);
}

bool TGroupDev::GetConfig(DevIndex Index, TDevConfig& Config) const {
    const TConfPelko* dev = At(Index);
    if (dev == nullptr) return false;
    Config = dev->Config;
    return true;
}

void TGroupDev::SetConfig(DevIndex Index, const TDevConfig& Config) {
    TConfPelko* dev = At(Index);
    if (dev == nullptr) return;
    const std::uint8_t adr = dev->Config[kAdrByte];
    dev->Config = Config;
    dev->Config[kAdrByte] = adr;
}

bool TGroupDev::GetName(DevIndex Index, std::string& Name) const {
    const TConfPelko* dev = At(Index);
    if (dev == nullptr) return false;
    Name = dev->Name;
    return true;
}

void TGroupDev::SetName(DevIndex Index, const std::string& Name) {
    if (TConfPelko* dev = At(Index)) dev->Name = Name;
}

bool TGroupDev::GetPass(DevIndex Index, TCode& Pass) const {
    const TConfPelko* dev = At(Index);
    if (dev == nullptr) return false;
    Pass = dev->Pass;
    return true;
}

void TGroupDev::SetPass(DevIndex Index, const TCode& Pass) {
    if (TConfPelko* dev = At(Index)) dev->Pass = Pass;
}

DevIndex TGroupDev::ChangeAdr(DevIndex Index, std::uint8_t NewAdr) {
    TConfPelko* dev = At(Index);
    if (dev == nullptr) return NoDevice;
    if (dev->Config[kAdrByte] == NewAdr) return Index;
    if (IndexOfAdr(NewAdr) != NoDevice) return NoDevice;
    std::unique_ptr<TConfPelko> moved = std::move(Items_[Index]);
    Items_.erase(Items_.begin() + Index);
    // A name the user never gave names the old address: it follows the new one.
    if (moved->Name == DefaultDeviceName(moved->Config[kAdrByte])) moved->Name = DefaultDeviceName(NewAdr);
    moved->Config[kAdrByte] = NewAdr;
    const std::size_t place = LowerBound(NewAdr);
    Items_.insert(Items_.begin() + static_cast<std::ptrdiff_t>(place), std::move(moved));
    return static_cast<DevIndex>(place);
}

std::uint8_t TGroupDev::StateIndex(DevIndex Index) const {
    const TConfPelko* dev = At(Index);
    if (dev == nullptr) return 0;
    std::uint8_t index = 1;
    if (GetState(Index, dfConnected)) {
        index = 3;
        if (GetState(Index, dfOpened)) index = GetState(Index, dfParamsRead) ? 7 : 5;
    }
    return GetState(Index, dfInGroup) ? index + 1 : index;
}

TColorCellList TGroupDev::MakeCellList() const {
    TColorCellList cells;
    cells.reserve(Items_.size());
    for (std::size_t i = 0; i < Items_.size(); ++i) {
        const DevIndex index = static_cast<DevIndex>(i);
        const char* mark = index == Selected_ ? "*" : " ";
        TColorCell cell;
        cell.Text = mark + Items_[i]->Name + mark;
        cell.Index = static_cast<std::int32_t>(i);
        cell.Color = kStateColors[StateIndex(index)];
        cells.push_back(std::move(cell));
    }
    return cells;
}

}  // namespace pelko
