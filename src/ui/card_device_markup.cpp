#include "ui/card_device_markup.h"

#include "config/xml_entities.h"
#include "controls/param_markup.h"
#include "model/group_dev.h"

namespace pelko {
namespace {

constexpr const char* kFieldIds[] = {"cell", "code", "user", "devname"};  // by TInspField

// One row's start tag, its attributes in the order the inspector reads them.
std::string Row(const char* name, std::string_view type, const std::string& value,
                std::optional<TInspField> field = std::nullopt) {
    std::string row = "<Параметр ";
    if (field) row.append(markup::kField).append("=\"").append(InspFieldId(*field)).append("\" ");
    row.append(markup::kName).append("=\"").append(name).append("\" ");
    row.append(markup::kType).append("=\"").append(type).append("\" ");
    row.append(markup::kValue).append("=\"").append(EncodeEntities(value)).append("\"");
    return row;
}

std::string Root(const std::string& key) { return "<Параметры " + std::string(markup::kKey) + "=\"" + key + "\" >"; }

const char* YesNo(const TConfPelko& dev, TDevFlag flag) { return (dev.State >> flag) & 1 ? "Да" : "Нет"; }

}  // namespace

const char* InspFieldId(TInspField field) { return kFieldIds[static_cast<int>(field)]; }

std::optional<TInspField> InspFieldOf(std::string_view id) {
    for (TInspField f : kInspFields)
        if (id == InspFieldId(f)) return f;
    return std::nullopt;
}

std::string EmptyMarkup() { return Root({}) + "</Параметры>"; }

std::string CardMarkup(const TConfPelko& conf, bool master, int row) {
    if (row < 0 || row >= conf.CardCount(master)) return EmptyMarkup();
    TCard card;
    conf.GetCard(master, static_cast<std::uint16_t>(row), card);
    std::string m = Root(std::to_string(row));
    m += Row("Ячейка", markup::kList, std::to_string(card.Pos), TInspField::Cell) + ">";
    m += "<*>" + std::to_string(card.Pos) + "</*>";
    const std::uint16_t first = master ? kFirstMasterCell : 0;
    const std::uint16_t end = master ? kCellCount : kUserCells;
    for (std::uint16_t cell = first; cell < end; ++cell)
        if (conf.IsCellFree(cell)) m += "<*>" + std::to_string(cell) + "</*>";
    m += "</Параметр>";
    m += Row("Код карты", markup::kText, CodeToText(card.Code), TInspField::Code) + " />";
    m += Row("Пользователь", markup::kText, card.User, TInspField::User) + "> </Параметр>";
    return m + "</Параметры>";
}

std::string DeviceMarkup(const TConfPelko& dev, int index) {
    std::string m = Root(kDeviceKeyPrefix + std::to_string(index));
    m += Row("Имя", markup::kText, dev.Name, TInspField::DevName) + "/>";
    m += Row("Адрес", markup::kConst, std::to_string(dev.Config[kAdrByte])) + "/>";
    m += Row("Подключен", markup::kConst, YesNo(dev, dfConnected)) + "/>";
    m += Row("Открыт", markup::kConst, YesNo(dev, dfOpened)) + "/>";
    m += Row("Параметры", markup::kConst, (dev.State >> dfParamsRead) & 1 ? "Считаны" : "Не считаны") + "/>";
    m += Row("В группе", markup::kConst, YesNo(dev, dfInGroup)) + "/>";
    return m + "</Параметры>";
}

}  // namespace pelko
