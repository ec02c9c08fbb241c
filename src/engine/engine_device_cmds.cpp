// The single-exchange commands on one device: open with a password, write
// the parameters, change the address (each blocks on SyncQuery), and give
// the device the common password (queued, answered later).
#include <algorithm>

#include "engine/engine.h"

namespace pelko {
namespace {

// Between the two probes of an address about to be taken: a controller that
// missed the first (busy, or its answer lost) is asked again after a quiet.
constexpr unsigned kSecondProbePauseMs = 300;

}  // namespace

bool TEngine::OpenWithPassword(DevIndex device, const TCode& password) {
    TConfPelko* dev = C.Device(device);
    if (dev == nullptr || Busy()) return false;
    const std::uint8_t adr = TEngineCore::AdrOf(*dev);
    if (!C.EnsureActive() || !C.SyncLogin(adr, password)) return false;
    C.Group.SetState(device, dfOpened);
    C.Host.UpdateInspDev();
    C.Group.SetPass(device, password);
    C.Host.UpdateGridDev();
    C.Host.UpdateControls();
    TDevConfig block{};
    if (!C.SyncReadConfig(adr, block)) return true;
    C.Group.SetState(device, dfParamsRead);
    C.Group.SetConfig(device, block);
    C.Host.UpdateInspDev();
    C.Host.UpdateGridDev();
    return true;
}

TDevConfig TEngine::ParametersOf(DevIndex device) const {
    const TConfPelko* dev = C.Group.GetDevice(device, nullptr);
    if (dev == nullptr) return DefaultConfig(1);
    if (C.Group.GetState(device, dfParamsRead)) return dev->Config;
    TDevConfig block = DefaultConfig(TEngineCore::AdrOf(*dev));
    PutSpeedCode(block, C.Settings.PortBaudRate);
    return block;
}

bool TEngine::WriteParameters(DevIndex device, const TDevConfig& params) {
    TConfPelko* dev = C.Device(device);
    if (dev == nullptr || Busy()) return false;
    const std::uint8_t adr = TEngineCore::AdrOf(*dev);
    TDevConfig block = params;
    block[kAdrByte] = adr;
    const TJournalScope journal(C, "Запись параметров");
    if (!C.EnsureActive() || !C.SyncLogin(adr, dev->Pass)) return false;
    // The speed is never changed here: the controller just answered at the
    // port's speed, whatever the stored block or the settings say.
    if (SpeedCode(C.Session.PortBaudRate()) == 0) return false;
    PutSpeedCode(block, C.Session.PortBaudRate());
    if (C.SyncWriteConfig(adr, block)) {
        C.Group.SetState(device, dfParamsRead);
        C.Group.SetConfig(device, block);
        C.Host.UpdateGridDev();
        return true;
    }
    // The answer may be lost after the controller took the block: the model
    // takes what it holds.
    TDevConfig held{};
    if (!C.SyncReadConfig(adr, held)) {
        C.Host.ShowMessage(kCaptionAttention,
                           C.DeviceLabel(adr) + " — не удалось проверить параметры.", TMsgIcon::Warning);
        return false;
    }
    C.Group.SetState(device, dfParamsRead);
    C.Group.SetConfig(device, held);
    C.Host.UpdateGridDev();
    if (held == block) {
        C.Changes.ConfigWritten(adr, block, true);
        return true;
    }
    C.Host.ShowMessage(kCaptionAttention, C.DeviceLabel(adr) + " — не принял параметры, они не изменены.",
                       TMsgIcon::Warning);
    return false;
}

std::vector<std::uint8_t> TEngine::FreeAddresses(DevIndex device) const {
    std::vector<std::uint8_t> choices;
    if (const TConfPelko* dev = C.Group.GetDevice(device, nullptr)) choices.push_back(TEngineCore::AdrOf(*dev));
    for (int d = 1; d <= 254; ++d)
        if (C.Group.IndexOfAdr(static_cast<std::uint8_t>(d)) == NoDevice) choices.push_back(static_cast<std::uint8_t>(d));
    return choices;
}

bool TEngine::ChangeAddress(DevIndex device, std::uint8_t newAdr, const std::optional<TDevConfig>& params) {
    TConfPelko* dev = C.Device(device);
    if (dev == nullptr || Busy()) return false;
    const std::uint8_t adr = TEngineCore::AdrOf(*dev);
    // Only an address no device of the group holds.
    const std::vector<std::uint8_t> free = FreeAddresses(device);
    if (!C.IsOpened(device) || newAdr == adr || std::find(free.begin(), free.end(), newAdr) == free.end())
        return false;
    TDevConfig block = dev->Config;
    if (!C.Group.GetState(device, dfParamsRead)) {
        block = params ? *params : DefaultConfig(adr);
        PutSpeedCode(block, C.Settings.PortBaudRate);
    }
    block[kAdrByte] = newAdr;
    const TJournalScope journal(C, "Смена адреса");
    if (!C.EnsureActive()) return false;
    // Two controllers at one address could never be told apart again. One
    // probe may be lost however many attempts it makes: a second one after
    // a pause must find the address silent too.
    const auto taken = [&] {
        if (C.SyncProbe(newAdr)) return true;
        C.Host.Pause(kSecondProbePauseMs);
        return C.SyncProbe(newAdr);
    };
    if (taken()) {
        C.Host.ShowMessage(kCaptionAttention,
                           C.DeviceLabel(adr) + " — по адресу " + std::to_string(newAdr) +
                               " уже отвечает другой прибор, адрес не изменён.",
                           TMsgIcon::Warning);
        return false;
    }
    if (!C.SyncLogin(adr, dev->Pass)) return false;
    if (SpeedCode(C.Session.PortBaudRate()) == 0) return false;
    PutSpeedCode(block, C.Session.PortBaudRate());  // as for the parameters
    const bool written = C.SyncWriteConfig(adr, block);
    C.Session.SetDevPresent(newAdr);
    // An answer lost after the controller took the address: where it answers tells.
    if (!written && !C.SyncProbe(newAdr)) {
        if (C.SyncProbe(adr)) {
            C.Host.ShowMessage(kCaptionAttention, C.DeviceLabel(adr) + " — не принял новый адрес, адрес не изменён.",
                               TMsgIcon::Warning);
        } else {
            // Wherever it is now, the program no longer has it open.
            C.Group.ClearState(device, dfOpened);
            C.Host.UpdateGridDev();
            C.Host.ShowMessage(kCaptionAttention,
                               C.DeviceLabel(adr) + " — не отвечает ни по адресу " + std::to_string(adr) +
                                   ", ни по адресу " + std::to_string(newAdr) + ": адрес мог измениться.",
                               TMsgIcon::Warning);
        }
        return false;
    }
    if (!written) C.Changes.ConfigWritten(adr, block, true);  // it answers at the new address
    C.Group.SetState(device, dfParamsRead);
    const DevIndex moved = C.Group.ChangeAdr(device, newAdr);
    C.Group.Select(moved);
    C.Group.SetConfig(moved, block);
    C.Host.UpdateGridDev();
    C.Host.UpdateInspDev();
    return true;
}

// Queued without an operation; the answer is caught by its Check so that the
// stored password follows the controller's.
void TEngine::GivePassword(DevIndex device, const TCode& newPass) {
    TConfPelko* dev = C.Device(device);
    if (dev == nullptr) return;
    // A second change before the first answer would send a stale old password.
    if (C.OutsidePending()) {
        C.Host.ShowMessage(kCaptionAttention, "Смена пароля ещё не завершена. Дождитесь ответа прибора.",
                           TMsgIcon::Warning);
        return;
    }
    if (!C.EnsureActive()) return;
    const std::uint8_t adr = TEngineCore::AdrOf(*dev);
    const TCode oldPass = dev->Pass;
    C.SendOutside(C.Requests.ChangePass(adr, oldPass, newPass), [this, adr, oldPass, newPass](const TAnswer& a) {
        const DevIndex index = C.Group.IndexOfAdr(adr);
        if (index == NoDevice) return;
        if (a.Failure || !a.Verdict()) {
            // No answer or another byte: the change may still have taken. Only
            // checked between operations, where a login disturbs nothing.
            const int took = Busy() ? -1 : C.CheckPassChange(adr, oldPass, newPass);
            if (took < 0) {
                C.Host.ShowMessage(kCaptionAttention,
                                   "Не удалось проверить пароль прибора " + C.DeviceLabel(adr) + ".",
                                   TMsgIcon::Warning);
            }
            if (took == 0) {
                C.Host.ShowMessage(kCaptionAttention, C.DeviceLabel(adr) + " — не принял новый пароль, пароль не изменён.",
                                   TMsgIcon::Warning);
            }
            if (took != 1) return;
        }
        C.Group.SetPass(index, newPass);
        C.Host.UpdateInspDev();
        C.Host.UpdateGridDev();
        C.Host.UpdateControls();
    });
}

}  // namespace pelko
