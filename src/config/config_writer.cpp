#include "config/config_writer.h"

#include <charconv>

#include "config/file_parameters.h"
#include "config/file_text.h"
#include "model/code.h"

namespace pelko {

namespace {

class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    Writer& Raw(std::string_view s) {
        out_.append(s);
        return *this;
    }
    Writer& Int(long long v) {
        char buf[24];
        const auto r = std::to_chars(buf, buf + sizeof buf, v);
        out_.append(buf, r.ptr);
        return *this;
    }
    Writer& Flag(bool v) { return Raw(v ? "1" : "0"); }
    Writer& Code(const TCode& c) { return Raw(CodeToText(c)); }
    Writer& Text(std::string_view utf8) { return Raw(EncodeFileText(utf8)); }
    Writer& Eol() { return Raw("\r\n"); }

    // <Name Val="v" />, the settings with two blanks before Val.
    template <typename F>
    void ValLine(std::string_view indent, std::string_view name, std::string_view gap, F&& value) {
        Raw(indent).Raw("<").Raw(name).Raw(gap).Raw("Val=\"");
        value(*this);
        Raw("\" />").Eol();
    }

private:
    std::string& out_;
};

void WriteSettings(Writer& w, const ProgramSettings& s) {
    const auto i = [](long long v) { return [v](Writer& x) { x.Int(v); }; };
    const auto f = [](bool v) { return [v](Writer& x) { x.Flag(v); }; };
    w.Raw("<?xml version=\"1.0\" encoding=\"windows-1251\" ?>").Eol();
    w.Raw("<XDOC>").Eol();
    w.Raw("<ProgramSettings>").Eol();
    w.ValLine("  ", "PortBaudRate", "  ", i(s.PortBaudRate));
    w.ValLine("  ", "StandPass", "  ", [&](Writer& x) { x.Code(s.StandPass); });
    w.ValLine("  ", "AutoReadKey", "  ", f(s.AutoReadKey));
    w.ValLine("  ", "AutoWriteKey", "  ", f(s.AutoWriteKey));
    w.ValLine("  ", "AutoSetDefaultSettings", "  ", f(s.AutoSetDefaultSettings));
    w.ValLine("  ", "CircleFind", "  ", i(s.CircleFind));
    w.ValLine("  ", "SavePass", "  ", f(s.SavePass));
    w.Raw("  <ComPortSettings>").Eol();
    w.ValLine("    ", "NComPort", " ", i(s.NComPort));
    w.ValLine("    ", "TOConstant", " ", i(s.TOConstant));
    w.ValLine("    ", "TOMultiplier", " ", i(s.TOMultiplier));
    w.ValLine("    ", "IntervalTO", " ", i(s.IntervalTO));
    w.ValLine("    ", "SmartPI", " ", f(s.SmartPI));
    w.ValLine("    ", "TailinUS", " ", i(s.TailinUS));
    w.ValLine("    ", "MaxAttempt", " ", i(s.MaxAttempt));
    w.Raw("  </ComPortSettings>").Eol();
    w.Raw("</ProgramSettings>").Eol();
}

void WriteCards(Writer& w, const CardsArr& cards) {
    for (const TCard& c : cards) {
        w.Raw("      <Card Pos=\"").Int(c.Pos).Raw("\" Code=\"").Code(c.Code);
        w.Raw("\" User=\"").Text(c.User).Raw("\"/>").Eol();
    }
}

void WriteDevice(Writer& w, const TConfPelko& d) {
    w.Raw("  <Device Adr=\"").Int(d.Config[kAdrByte]).Raw("\" Name=\"").Text(d.Name).Raw("\" >").Eol();
    w.Raw("    <Configuration>").Eol();
    w.ValLine("      ", "Pass", " ", [&](Writer& x) { x.Code(d.Pass); });
    for (const FileParameter& p : kFileParameters)
        w.ValLine("      ", p.name, " ", [&](Writer& x) { x.Int(GetField(d.Config, p.field)); });
    w.Raw("    </Configuration>").Eol();
    if (d.UserCount() > 0 || d.MasterCount() > 0) {
        w.Raw("    <Cards>").Eol();
        WriteCards(w, d.UserCards());
        WriteCards(w, d.MasterCards());
        w.Raw("    </Cards>").Eol();
    }
    w.Raw("  </Device>").Eol();
}

bool AnyInGroup(const TGroupDev& group) {
    for (DevIndex i = 0; i < group.Count(); ++i)
        if (group.GetState(i, dfInGroup)) return true;
    return false;
}

std::size_t EstimateSize(const TGroupDev& group) {
    std::size_t size = 1024;
    for (DevIndex i = 0; i < group.Count(); ++i) {
        const TConfPelko* d = group.GetDevice(i, nullptr);
        size += 1024 + 64 * (static_cast<std::size_t>(d->UserCount()) + d->MasterCount());
    }
    return size;
}

}  // namespace

std::string SaveToFile(const ProgramSettings& settings, TGroupDev& group, ConfigFileHost& host) {
    std::string out;
    out.reserve(EstimateSize(group));
    Writer w(out);
    WriteSettings(w, settings);
    if (group.Count() > 0) {
        if (!AnyInGroup(group)) {
            for (DevIndex i = 0; i < group.Count(); ++i) group.SetState(i, dfInGroup);
            host.GroupMarkedForSave();
        }
        w.Raw("<Devices>").Eol();
        for (DevIndex i = 0; i < group.Count(); ++i)
            if (group.GetState(i, dfInGroup)) WriteDevice(w, *group.GetDevice(i, nullptr));
        w.Raw("</Devices>").Eol();
    }
    w.Raw("</XDOC>");
    return out;
}

}  // namespace pelko
