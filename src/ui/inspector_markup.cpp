#include "ui/inspector_markup.h"

#include "model/group_dev.h"

namespace pelko {
namespace {

std::string Row(const char* name, const char* type, const std::string& value) {
    return std::string("<Параметр название=\"") + name + "\" тип=\"" + type + "\" значение=\"" +
           EscapeMarkup(value) + "\"";
}

const char* YesNo(const TConfPelko& dev, TDevFlag flag) { return (dev.State >> flag) & 1 ? "Да" : "Нет"; }

}  // namespace

std::string EscapeMarkup(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string EmptyMarkup() { return "<Параметры ключ=\"\" ></Параметры>"; }

std::string CardMarkup(const TConfPelko& conf, bool master, int row) {
    if (row < 0 || row >= conf.CardCount(master)) return EmptyMarkup();
    TCard card;
    conf.GetCard(master, static_cast<std::uint16_t>(row), card);
    std::string m = "<Параметры ключ=\"" + std::to_string(row) + "\" >";
    m += Row("Ячейка", "список", std::to_string(card.Pos)) + ">";
    m += "<*>" + std::to_string(card.Pos) + "</*>";
    const std::uint16_t first = master ? kFirstMasterCell : 0;
    const std::uint16_t end = master ? kCellCount : kUserCells;
    for (std::uint16_t cell = first; cell < end; ++cell)
        if (conf.IsCellFree(cell)) m += "<*>" + std::to_string(cell) + "</*>";
    m += "</Параметр>";
    m += Row("Код карты", "текст", CodeToText(card.Code)) + " />";
    m += Row("Пользователь", "текст", card.User) + "> </Параметр>";
    return m + "</Параметры>";
}

std::string DeviceMarkup(const TConfPelko& dev, int index) {
    std::string m = "<Параметры ключ=\"" + std::string(kDeviceKeyPrefix) + std::to_string(index) + "\" >";
    m += Row("Имя", "текст", dev.Name) + "/>";
    m += Row("Адрес", "константа", std::to_string(dev.Config[kAdrByte])) + "/>";
    m += Row("Подключен", "константа", YesNo(dev, dfConnected)) + "/>";
    m += Row("Открыт", "константа", YesNo(dev, dfOpened)) + "/>";
    m += Row("Параметры", "константа", (dev.State >> dfParamsRead) & 1 ? "Считаны" : "Не считаны") + "/>";
    m += Row("В группе", "константа", YesNo(dev, dfInGroup)) + "/>";
    return m + "</Параметры>";
}

}  // namespace pelko
