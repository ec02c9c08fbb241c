#include "config/config_reader.h"

#include <charconv>
#include <string>
#include <utility>

#include "config/file_parameters.h"
#include "config/file_text.h"
#include "config/xml_parser.h"
#include "model/code.h"

namespace pelko {

bool ParseFileInteger(std::string_view text, std::int32_t& value) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return false;
    }
    if (text.empty() || text.front() == '+') return false;
    std::int32_t v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
    value = v;
    return true;
}

namespace {

const TXMLNode* Child(const TXMLNode* parent, std::string_view name) {
    return parent == nullptr ? nullptr : FirstElement(parent->FirstChild, name);
}

std::string_view AttributeOf(const TXMLNode* element, std::string_view name) {
    const TXMLAttribute* a = FindAttribute(element, name);
    return a == nullptr ? std::string_view{} : a->Value();
}

class Reader {
public:
    Reader(ProgramSettings& s, TGroupDev& g, ConfigFileHost& h) : s_(s), group_(g), host_(h) {}

    bool Run(std::string bytes) {
        TSimpleXMLParser parser;
        parser.SetSpaces(spStrip);
        if (!parser.TakeAndParse(std::move(bytes))) {
            host_.ShowMessage(kCaptionMessage, kTextFileDamaged, TMsgIcon::Warning);
            return false;
        }
        const TXMLNode* root = parser.Root();
        if (const TXMLNode* settings = Child(root, "ProgramSettings")) {
            if (!ReadSettings(settings)) return true;
        }
        if (const TXMLNode* devices = Child(root, "Devices")) ReadDevices(devices);
        return true;
    }

private:
    void TagError(const std::string& path) {
        host_.ShowMessage(kCaptionMessage, std::string(kTextTagError) + "\r\n" + path, TMsgIcon::Warning);
    }

    // Attribute text as an integer. Missing or empty: false, no message.
    bool ReadInteger(std::string_view text, const std::string& path, std::int32_t& value) {
        if (text.empty()) return false;
        if (ParseFileInteger(text, value)) return true;
        TagError(path);
        return false;
    }

    void ReadIntVal(const TXMLNode* parent, const std::string& base, const char* name, std::int32_t& target) {
        const std::string path = base + name;
        ReadInteger(AttributeOf(Child(parent, name), "Val"), path, target);
    }

    void ReadFlagVal(const TXMLNode* parent, const std::string& base, const char* name, bool& target) {
        std::int32_t v = 0;
        if (ReadInteger(AttributeOf(Child(parent, name), "Val"), base + name, v)) target = v == 1;
    }

    // False when the user keeps the program's speed: nothing more is applied.
    bool ReadSpeed(const TXMLNode* settings) {
        s_.PrevBaudRate = s_.PortBaudRate;
        ReadIntVal(settings, "/ProgramSettings/", "PortBaudRate", s_.PortBaudRate);
        if (s_.PortBaudRate == s_.PrevBaudRate) return true;
        if (!host_.AskYesNo(kCaptionAttention, kTextSpeedQuestion, TMsgIcon::Question)) {
            s_.PortBaudRate = s_.PrevBaudRate;
            return false;
        }
        group_.Clear();
        host_.GroupDiscarded();
        host_.RestartSessionAtSpeed(s_.PortBaudRate);
        s_.PrevBaudRate = s_.PortBaudRate;
        return true;
    }

    bool ReadSettings(const TXMLNode* settings) {
        if (!ReadSpeed(settings)) return false;
        const std::string base = "/ProgramSettings/";
        const std::string_view pass = AttributeOf(Child(settings, "StandPass"), "Val");
        if (!pass.empty()) s_.StandPass = TextToCode(pass);
        ReadFlagVal(settings, base, "AutoReadKey", s_.AutoReadKey);
        ReadFlagVal(settings, base, "AutoWriteKey", s_.AutoWriteKey);
        ReadFlagVal(settings, base, "AutoSetDefaultSettings", s_.AutoSetDefaultSettings);
        ReadIntVal(settings, base, "CircleFind", s_.CircleFind);
        ReadFlagVal(settings, base, "SavePass", s_.SavePass);
        if (const TXMLNode* port = Child(settings, "ComPortSettings")) ReadPort(port);
        return true;
    }

    void ReadPort(const TXMLNode* port) {
        const std::string base = "/ProgramSettings/ComPortSettings/";
        ReadIntVal(port, base, "NComPort", s_.NComPort);
        ReadIntVal(port, base, "TOConstant", s_.TOConstant);
        ReadIntVal(port, base, "TOMultiplier", s_.TOMultiplier);
        ReadIntVal(port, base, "IntervalTO", s_.IntervalTO);
        ReadFlagVal(port, base, "SmartPI", s_.SmartPI);
        ReadIntVal(port, base, "TailinUS", s_.TailinUS);
        ReadIntVal(port, base, "MaxAttempt", s_.MaxAttempt);
        BringIntoRange(s_);
        host_.RestartSessionWithPortSettings(s_);
        for (DevIndex i = 0; i < group_.Count(); ++i) host_.SetDevPresent(group_.GetDevice(i, nullptr)->Config[kAdrByte]);
    }

    void ReadDevices(const TXMLNode* devices) {
        std::size_t i = 0;
        for (const TXMLNode* d = Child(devices, "Device"); d != nullptr; d = NextElement(d, "Device"), ++i)
            ReadDevice(d, "/Devices/Device[" + std::to_string(i) + "]");
    }

    void ReadDevice(const TXMLNode* d, const std::string& path) {
        std::int32_t adr = 0;
        ReadInteger(AttributeOf(d, "Adr"), path, adr);
        if (adr < 1 || adr > 254) return;
        const std::string_view passText = AttributeOf(Child(Child(d, "Configuration"), "Pass"), "Val");
        const DevIndex known = group_.IndexOfAdr(static_cast<std::uint8_t>(adr));
        if (known == NoDevice) {
            AddFileDevice(d, path, static_cast<std::uint8_t>(adr), passText);
        } else if (!group_.GetState(known, dfOpened) && !passText.empty()) {
            group_.SetPass(known, TextToCode(passText));
            group_.SetState(known, dfInGroup);
        }
    }

    void AddFileDevice(const TXMLNode* d, const std::string& path, std::uint8_t adr, std::string_view passText) {
        const DevIndex index = group_.AddDevice(adr);
        TConfPelko* dev = group_.GetDevice(index, nullptr);
        if (dev == nullptr) return;
        group_.ClearState(index, dfConnected);
        group_.SetState(index, dfInGroup);
        group_.SetName(index, DecodeFileText(AttributeOf(d, "Name")));
        group_.SetPass(index, passText.empty() ? s_.StandPass : TextToCode(passText));
        ReadParameters(*dev, Child(d, "Configuration"), path + "/Configuration/");
        const TXMLNode* cards = Child(d, "Cards");
        std::size_t j = 0;
        for (const TXMLNode* c = Child(cards, "Card"); c != nullptr; c = NextElement(c, "Card"), ++j)
            ReadCard(*dev, c, path, j);
    }

    // Kept so that the next save writes them back; dfParamsRead stays clear,
    // so nothing sends them to a controller before they were read from it.
    void ReadParameters(TConfPelko& dev, const TXMLNode* configuration, const std::string& base) {
        for (const FileParameter& p : kFileParameters) {
            std::int32_t v = 0;
            if (!ReadInteger(AttributeOf(Child(configuration, p.name), "Val"), base + p.name, v)) continue;
            if (p.field.width == 1) {
                SetField(dev.Config, p.field, v == 1 ? 1u : 0u);
            } else if (v >= 0 && v <= static_cast<std::int32_t>(FieldMask(p.field) >> p.field.shift)) {
                // A value wider than its field is left out rather than cut to
                // some other setting.
                SetField(dev.Config, p.field, static_cast<unsigned>(v));
            }
        }
    }

    void ReadCard(TConfPelko& dev, const TXMLNode* c, const std::string& devicePath, std::size_t j) {
        const std::string_view posText = AttributeOf(c, "Pos");
        if (posText.empty()) return;
        std::int32_t pos = 0;
        if (!ParseFileInteger(posText, pos)) {
            TagError(devicePath + "/Cards/Card[" + std::to_string(j) + "]");
            return;
        }
        // A cell number beyond the card memory is dropped whole, never wrapped.
        if (pos < 0 || pos >= kCellCount) return;
        dev.AddCard(static_cast<std::uint16_t>(pos), TextToCode(AttributeOf(c, "Code")),
                    DecodeFileText(AttributeOf(c, "User")));
    }

    ProgramSettings& s_;
    TGroupDev& group_;
    ConfigFileHost& host_;
};

}  // namespace

bool ReadFromFile(std::string bytes, ProgramSettings& settings, TGroupDev& group, ConfigFileHost& host) {
    return Reader(settings, group, host).Run(std::move(bytes));
}

}  // namespace pelko
