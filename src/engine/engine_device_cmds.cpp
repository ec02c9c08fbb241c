// The single-exchange commands on one device: open with a password, write
// the parameters, change the address, each a short chain of exchanges; and
// give the device a password (queued, answered later).
#include <algorithm>
#include <memory>

#include "engine/engine.h"
#include "engine/op_chain.h"

namespace pelko {
namespace {

// Between the two probes of an address about to be taken: a controller that
// missed the first (busy, or its answer lost) is asked again after a quiet.
constexpr unsigned kSecondProbePauseMs = 300;

}  // namespace

void TEngine::RunChain(TOperState state, TChainOp::Steps start) {
    C.Run(std::make_unique<TChainOp>(C, state, std::move(start)));
}

bool TEngine::BeginDeviceCommand(TOperState state, DevIndex device, TDone& done) {
    if (C.Device(device) == nullptr || Busy()) {
        TEngineCore::Refuse(state, done);
        return false;
    }
    C.Begin(state, std::move(done));
    if (C.EnsureActive()) return true;
    C.Result().failed = true;
    C.End();
    return false;
}

void TEngine::OpenWithPassword(DevIndex device, const TCode& password, TDone done) {
    if (!BeginDeviceCommand(osOpen, device, done)) return;
    const std::uint8_t adr = TEngineCore::AdrOf(*C.Device(device));
    RunChain(osOpen, [this, adr, password](TChainOp& op) {
        op.Login(adr, password, [this, &op, adr, password](bool accepted) {
            const DevIndex i = C.Group.IndexOfAdr(adr);
            if (!accepted || i == NoDevice) {
                C.Result().failed = true;
                return op.Done();
            }
            C.Group.SetState(i, dfOpened);
            C.Group.SetPass(i, password);
            C.Changed(chDevices | chDeviceParams | chState);
            op.ReadConfig(adr, [this, &op, adr](bool read, const TDevConfig& block) {
                const DevIndex at = C.Group.IndexOfAdr(adr);
                if (read && at != NoDevice) {
                    C.Group.SetState(at, dfParamsRead);
                    C.Group.SetConfig(at, block);
                    C.Changed(chDevices | chDeviceParams);
                }
                op.Done();
            });
        });
    });
}

TDevConfig TEngine::ParametersOf(DevIndex device) const {
    const TConfPelko* dev = C.Group.GetDevice(device, nullptr);
    if (dev == nullptr) return DefaultConfig(1);
    if (C.Group.GetState(device, dfParamsRead)) return dev->Config;
    TDevConfig block = DefaultConfig(TEngineCore::AdrOf(*dev));
    PutSpeedCode(block, C.Settings.PortBaudRate);
    return block;
}

void TEngine::WriteParameters(DevIndex device, const TDevConfig& params, TDone done) {
    if (!BeginDeviceCommand(osWriteParams, device, done)) return;
    TConfPelko* dev = C.Device(device);
    const std::uint8_t adr = TEngineCore::AdrOf(*dev);
    // The speed is never changed here: the controller answers at the port's
    // speed, whatever the stored block or the settings say.
    if (SpeedCode(C.Session.PortBaudRate()) == 0) {
        C.Result().failed = true;
        return C.End();
    }
    TDevConfig block = params;
    block[kAdrByte] = adr;
    PutSpeedCode(block, C.Session.PortBaudRate());
    const TCode pass = dev->Pass;
    RunChain(osWriteParams, [this, adr, pass, block](TChainOp& op) {
        op.Login(adr, pass, [this, &op, adr, block](bool accepted) {
            if (!accepted) {
                C.Result().failed = true;
                return op.Done();
            }
            op.WriteConfig(adr, block, [this, &op, adr, block](bool written) {
                if (written) {
                    ParamsHeld(adr, block);
                    return op.Done();
                }
                // The answer may be lost after the controller took the block:
                // the model takes what it holds.
                op.ReadConfig(adr, [this, &op, adr, block](bool read, const TDevConfig& held) {
                    C.Result().failed = !read || held != block;
                    if (!read) {
                        C.Notice(kCaptionAttention, C.DeviceLabel(adr) + " — не удалось проверить параметры.",
                                 TMsgIcon::Warning);
                        return op.Done();
                    }
                    ParamsHeld(adr, held);
                    if (held == block) C.Changes.ConfigWritten(adr, block, true);
                    else
                        C.Notice(kCaptionAttention, C.DeviceLabel(adr) + " — не принял параметры, они не изменены.",
                                 TMsgIcon::Warning);
                    op.Done();
                });
            });
        });
    });
}

void TEngine::ParamsHeld(std::uint8_t adr, const TDevConfig& block) {
    const DevIndex i = C.Group.IndexOfAdr(adr);
    if (i == NoDevice) return;
    C.Group.SetState(i, dfParamsRead);
    C.Group.SetConfig(i, block);
    C.Changed(chDevices | chDeviceParams);
}

std::vector<std::uint8_t> TEngine::FreeAddresses(DevIndex device) const {
    std::vector<std::uint8_t> choices;
    if (const TConfPelko* dev = C.Group.GetDevice(device, nullptr)) choices.push_back(TEngineCore::AdrOf(*dev));
    for (int d = 1; d <= kLastAddress; ++d)
        if (C.Group.IndexOfAdr(static_cast<std::uint8_t>(d)) == NoDevice) choices.push_back(static_cast<std::uint8_t>(d));
    return choices;
}

void TEngine::ChangeAddress(DevIndex device, std::uint8_t newAdr, const std::optional<TDevConfig>& params, TDone done) {
    TConfPelko* dev = C.Device(device);
    // Only an address no device of the group holds.
    const std::vector<std::uint8_t> free = FreeAddresses(device);
    if (dev == nullptr || !C.IsOpened(device) || newAdr == TEngineCore::AdrOf(*dev) ||
        std::find(free.begin(), free.end(), newAdr) == free.end())
        return TEngineCore::Refuse(osChangeAddress, done);
    if (!BeginDeviceCommand(osChangeAddress, device, done)) return;
    const std::uint8_t adr = TEngineCore::AdrOf(*dev);
    TDevConfig block = dev->Config;
    if (!C.Group.GetState(device, dfParamsRead)) {
        block = params ? *params : DefaultConfig(adr);
        PutSpeedCode(block, C.Settings.PortBaudRate);
    }
    block[kAdrByte] = newAdr;
    if (SpeedCode(C.Session.PortBaudRate()) == 0) {
        C.Result().failed = true;
        return C.End();
    }
    PutSpeedCode(block, C.Session.PortBaudRate());  // as for the parameters
    const TCode pass = dev->Pass;
    RunChain(osChangeAddress, [this, adr, newAdr, pass, block](TChainOp& op) {
        // Two controllers at one address could never be told apart again.
        // One probe may be lost however many attempts it makes: a second one
        // after a pause must find the address silent too.
        const auto taken = [this, &op, adr, newAdr] {
            C.Notice(kCaptionAttention,
                     C.DeviceLabel(adr) + " — по адресу " + std::to_string(newAdr) +
                         " уже отвечает другой прибор, адрес не изменён.",
                     TMsgIcon::Warning);
            C.Result().failed = true;
            op.Done();
        };
        const auto move = [this, &op, adr, newAdr, pass, block] {
            op.Login(adr, pass, [this, &op, adr, newAdr, block](bool accepted) {
                if (!accepted) {
                    C.Result().failed = true;
                    return op.Done();
                }
                op.WriteConfig(adr, block, [this, &op, adr, newAdr, block](bool written) {
                    C.Session.SetDevPresent(newAdr);
                    if (written) return AddressMoved(op, adr, block);
                    AddressUnsure(op, adr, block);
                });
            });
        };
        op.Probe(newAdr, [&op, newAdr, taken, move](bool answered) {
            if (answered) return taken();
            op.Wait(kSecondProbePauseMs, [&op, newAdr, taken, move] {
                op.Probe(newAdr, [taken, move](bool again) { again ? taken() : move(); });
            });
        });
    });
}

// An answer lost after the controller took the address: where it answers tells.
void TEngine::AddressUnsure(TChainOp& op, std::uint8_t adr, const TDevConfig& block) {
    const std::uint8_t newAdr = block[kAdrByte];
    op.Probe(newAdr, [this, &op, adr, newAdr, block](bool there) {
        if (there) {
            C.Changes.ConfigWritten(adr, block, true);
            return AddressMoved(op, adr, block);
        }
        op.Probe(adr, [this, &op, adr, newAdr](bool here) {
            C.Result().failed = true;
            if (here) {
                C.Notice(kCaptionAttention, C.DeviceLabel(adr) + " — не принял новый адрес, адрес не изменён.",
                         TMsgIcon::Warning);
                return op.Done();
            }
            // Wherever it is now, the program no longer has it open.
            C.Group.ClearState(C.Group.IndexOfAdr(adr), dfOpened);
            C.Changed(chDevices);
            C.Notice(kCaptionAttention,
                     C.DeviceLabel(adr) + " — не отвечает ни по адресу " + std::to_string(adr) + ", ни по адресу " +
                         std::to_string(newAdr) + ": адрес мог измениться.",
                     TMsgIcon::Warning);
            op.Done();
        });
    });
}

void TEngine::AddressMoved(TChainOp& op, std::uint8_t adr, const TDevConfig& block) {
    const DevIndex i = C.Group.IndexOfAdr(adr);
    if (i != NoDevice) {
        C.Group.SetState(i, dfParamsRead);
        const DevIndex moved = C.Group.ChangeAdr(i, block[kAdrByte]);
        C.Group.Select(moved);
        C.Group.SetConfig(moved, block);
        C.Changed(chDevices | chDeviceParams | chCards);
    }
    op.Done();
}

// Queued without an operation; the answer is caught by its Check so that the
// stored password follows the controller's. An answer that does not say yes
// is checked by login as a command of its own, once the line is free.
void TEngine::GivePassword(DevIndex device, const TCode& newPass, TDone done) {
    TConfPelko* dev = C.Device(device);
    if (dev == nullptr) return TEngineCore::Refuse(osCheckPass, done);
    // A second change before the first answer would send a stale old password.
    if (C.OutsidePending() || FPassCheck) {
        const TNotice busy{kCaptionAttention, "Смена пароля ещё не завершена. Дождитесь ответа прибора.",
                           TMsgIcon::Warning};
        C.Observer.OnNotice(busy);
        TCommandResult refused;
        refused.op = osCheckPass;
        refused.failed = true;
        refused.notices.push_back(busy);
        if (done) done(refused);
        return;
    }
    if (!C.EnsureActive()) return TEngineCore::Refuse(osCheckPass, done);
    const std::uint8_t adr = TEngineCore::AdrOf(*dev);
    const TCode oldPass = dev->Pass;
    C.SendOutside(C.Requests.ChangePass(adr, oldPass, newPass),
                  [this, adr, oldPass, newPass, done = std::move(done)](const TAnswer& a) {
                      if (!Accepted(a)) {
                          FPassCheck = TPassCheck{adr, oldPass, newPass, done};
                          return CheckPassWhenFree();
                      }
                      PasswordTook(adr, newPass);
                      TCommandResult took;
                      took.op = osCheckPass;
                      took.started = took.ok = true;
                      if (done) done(took);
                  });
}

void TEngine::PasswordTook(std::uint8_t adr, const TCode& newPass) {
    const DevIndex index = C.Group.IndexOfAdr(adr);
    if (index == NoDevice) return;
    C.Group.SetPass(index, newPass);
    C.Changed(chDevices | chDeviceParams | chState);
}

// No answer or another byte: the change may still have taken. Only checked
// between commands, where a login disturbs nothing.
void TEngine::CheckPassWhenFree() {
    if (!FPassCheck || Busy()) return;
    const TPassCheck check = *FPassCheck;
    FPassCheck.reset();
    C.Begin(osCheckPass, check.done);
    RunChain(osCheckPass, [this, check](TChainOp& op) {
        op.CheckPassChange(check.adr, check.oldPass, check.newPass, [this, &op, check](int took) {
            if (took < 0)
                C.Notice(kCaptionAttention, "Не удалось проверить пароль прибора " + C.DeviceLabel(check.adr) + ".",
                         TMsgIcon::Warning);
            if (took == 0)
                C.Notice(kCaptionAttention,
                         C.DeviceLabel(check.adr) + " — не принял новый пароль, пароль не изменён.",
                         TMsgIcon::Warning);
            if (took == 1) PasswordTook(check.adr, check.newPass);
            op.Done();
        });
    });
}

}  // namespace pelko
