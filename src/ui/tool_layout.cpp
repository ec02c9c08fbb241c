#include "ui/tool_layout.h"

#include <array>

namespace pelko {
namespace {

struct TToolItem {
    const char* Name;
    const char* Caption;  // nullptr for a separator
};

// The order after the first switch; the start-up form has Save before Open.
constexpr std::array<TToolItem, 13> kItems = {{
    {"sbFileCreate", "Создать"},
    {"sbFileOpen", "Открыть"},
    {"sbFileSave", "Сохранить"},
    {"ToolBevel01", nullptr},
    {"SpButFind", "Поиск"},
    {"SpButExFind", "Розыск"},
    {"ToolBevel03", nullptr},
    {"sbReadKeyDev", "Считать"},
    {"sbWriteKeyDev", "Записать"},
    {"ToolBevel02", nullptr},
    {"sbAddDevGroup", "Добавить"},
    {"sbDelDevGroup", "Удалить"},
    {"ToolBevel04", nullptr},
}};

TToolPlace Separator(const char* name, int left, int height) {
    TToolPlace p;
    p.Name = name;
    p.Separator = true;
    p.Left = left;
    p.Width = 2;
    p.Height = height;
    return p;
}

}  // namespace

TToolLayout StartupToolLayout() {
    struct Start {
        const char* Name;
        int Left;
        int Width;
    };
    static constexpr Start kStart[] = {
        {"sbFileCreate", 7, 23},  {"sbFileSave", 30, 24},   {"sbFileOpen", 54, 22},   {"ToolBevel01", 82, 2},
        {"SpButFind", 88, 23},    {"SpButExFind", 111, 23}, {"ToolBevel03", 138, 2},  {"sbReadKeyDev", 143, 23},
        {"sbWriteKeyDev", 166, 23}, {"ToolBevel02", 193, 2}, {"sbAddDevGroup", 199, 23}, {"sbDelDevGroup", 222, 23},
        {"ToolBevel04", 249, 2},
    };
    TToolLayout layout;
    for (const Start& s : kStart) {
        const bool separator = s.Name[0] == 'T';
        TToolPlace p = separator ? Separator(s.Name, s.Left, 23) : TToolPlace{s.Name, false, s.Left, 3, s.Width, 23, {}};
        layout.Places.push_back(p);
    }
    return layout;
}

TToolLayout ToolLayout(bool captioned, int firstLeft) {
    TToolLayout layout;
    layout.PanelHeight = captioned ? 46 : 30;
    layout.LogoHeight = captioned ? 39 : 23;
    layout.LogoCaption = captioned;
    const int buttonStep = captioned ? 55 : 24;
    const int separatorStep = captioned ? 57 : 26;
    const int afterSeparator = captioned ? 61 : 30;
    int left = firstLeft;
    int lastButtonLeft = firstLeft;
    bool afterSep = false;
    for (std::size_t i = 0; i < kItems.size(); ++i) {
        const TToolItem& item = kItems[i];
        const std::string name = item.Name;
        if (item.Caption == nullptr) {
            // In the compact layout the separator between search and reading sits 2 closer.
            const bool narrow = !captioned && name == "ToolBevel03";
            const int sepLeft = lastButtonLeft + (narrow ? 24 : separatorStep);
            layout.Places.push_back(Separator(item.Name, sepLeft, captioned ? 39 : narrow ? 24 : 23));
            afterSep = true;
            continue;
        }
        if (i > 0) left = lastButtonLeft + (afterSep ? afterSeparator : buttonStep);
        TToolPlace p;
        p.Name = name;
        p.Left = left;
        p.Width = captioned ? (name == "sbWriteKeyDev" ? 55 : 54) : 23;
        p.Height = captioned ? 39 : 23;
        if (captioned) p.Caption = item.Caption;
        layout.Places.push_back(p);
        lastButtonLeft = left;
        afterSep = false;
    }
    return layout;
}

}  // namespace pelko
