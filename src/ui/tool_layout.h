#pragma once
// Where the toolbar's buttons and separators stand: the start-up layout and
// the two layouts "Подписи к кнопкам" switches between (glyphs only, or
// glyphs with captions). Lefts follow one another from the first button.
#include <string>
#include <vector>

namespace pelko {

// The toolbar's buttons and separators; their object names are ToolName's.
enum class TToolId {
    sbFileCreate,
    sbFileSave,
    sbFileOpen,
    SpButFind,
    SpButExFind,
    sbReadKeyDev,
    sbWriteKeyDev,
    sbAddDevGroup,
    sbDelDevGroup,
    ToolBevel01,
    ToolBevel03,
    ToolBevel02,
    ToolBevel04,
};
inline constexpr int kToolIdCount = 13;

// The control's object name.
const char* ToolName(TToolId id);
bool IsToolSeparator(TToolId id);

struct TToolPlace {
    TToolId Id = TToolId::sbFileCreate;
    bool Separator = false;
    int Left = 0;
    int Top = 3;
    int Width = 23;
    int Height = 23;
    std::string Caption;  // UTF-8, empty in the compact layouts
};

struct TToolLayout {
    int PanelHeight = 31;
    std::vector<TToolPlace> Places;  // the logo button is placed by the window
    int LogoHeight = 23;
    bool LogoCaption = false;
};

// The layout the window starts with (sbFileSave before sbFileOpen).
TToolLayout StartupToolLayout();
// After "Подписи к кнопкам" was switched; firstLeft is sbFileCreate's left.
TToolLayout ToolLayout(bool captioned, int firstLeft = 7);

}  // namespace pelko
