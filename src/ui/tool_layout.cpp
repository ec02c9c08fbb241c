#include "ui/tool_layout.h"

#include <array>

namespace pelko {
namespace {

struct TToolItem {
    TToolId Id;
    const char* Caption;  // nullptr for a separator
};

constexpr const char* kToolNames[kToolIdCount] = {
    "sbFileCreate",  "sbFileSave",    "sbFileOpen",  "SpButFind",   "SpButExFind", "sbReadKeyDev", "sbWriteKeyDev",
    "sbAddDevGroup", "sbDelDevGroup", "ToolBevel01", "ToolBevel03", "ToolBevel02", "ToolBevel04",
};

// The order after the first switch; the start-up form has Save before Open.
constexpr std::array<TToolItem, 13> kItems = {{
    {TToolId::sbFileCreate, "Создать"},
    {TToolId::sbFileOpen, "Открыть"},
    {TToolId::sbFileSave, "Сохранить"},
    {TToolId::ToolBevel01, nullptr},
    {TToolId::SpButFind, "Поиск"},
    {TToolId::SpButExFind, "Розыск"},
    {TToolId::ToolBevel03, nullptr},
    {TToolId::sbReadKeyDev, "Считать"},
    {TToolId::sbWriteKeyDev, "Записать"},
    {TToolId::ToolBevel02, nullptr},
    {TToolId::sbAddDevGroup, "Добавить"},
    {TToolId::sbDelDevGroup, "Удалить"},
    {TToolId::ToolBevel04, nullptr},
}};

TToolPlace Separator(TToolId id, int left, int height) {
    TToolPlace p;
    p.Id = id;
    p.Separator = true;
    p.Left = left;
    p.Width = 2;
    p.Height = height;
    return p;
}

}  // namespace

const char* ToolName(TToolId id) { return kToolNames[static_cast<int>(id)]; }

bool IsToolSeparator(TToolId id) { return id >= TToolId::ToolBevel01; }

TToolLayout StartupToolLayout() {
    struct Start {
        TToolId Id;
        int Left;
        int Width;
    };
    static constexpr Start kStart[] = {
        {TToolId::sbFileCreate, 7, 23},  {TToolId::sbFileSave, 30, 24},   {TToolId::sbFileOpen, 54, 22},   {TToolId::ToolBevel01, 82, 2},
        {TToolId::SpButFind, 88, 23},    {TToolId::SpButExFind, 111, 23}, {TToolId::ToolBevel03, 138, 2},  {TToolId::sbReadKeyDev, 143, 23},
        {TToolId::sbWriteKeyDev, 166, 23}, {TToolId::ToolBevel02, 193, 2}, {TToolId::sbAddDevGroup, 199, 23}, {TToolId::sbDelDevGroup, 222, 23},
        {TToolId::ToolBevel04, 249, 2},
    };
    TToolLayout layout;
    for (const Start& s : kStart) {
        TToolPlace p =
            IsToolSeparator(s.Id) ? Separator(s.Id, s.Left, 23) : TToolPlace{s.Id, false, s.Left, 3, s.Width, 23, {}};
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
        if (item.Caption == nullptr) {
            // In the compact layout the separator between search and reading sits 2 closer.
            const bool narrow = !captioned && item.Id == TToolId::ToolBevel03;
            const int sepLeft = lastButtonLeft + (narrow ? 24 : separatorStep);
            layout.Places.push_back(Separator(item.Id, sepLeft, captioned ? 39 : narrow ? 24 : 23));
            afterSep = true;
            continue;
        }
        if (i > 0) left = lastButtonLeft + (afterSep ? afterSeparator : buttonStep);
        TToolPlace p;
        p.Id = item.Id;
        p.Left = left;
        p.Width = captioned ? (item.Id == TToolId::sbWriteKeyDev ? 55 : 54) : 23;
        p.Height = captioned ? 39 : 23;
        if (captioned) p.Caption = item.Caption;
        layout.Places.push_back(p);
        lastButtonLeft = left;
        afterSep = false;
    }
    return layout;
}

}  // namespace pelko
