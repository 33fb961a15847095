// The control's persisted settings, their defaults, the rules that clamp
// loaded values and the tree-window styles they give.
#pragma once

#include "foldertree/control/FontDesc.h"
#include "foldertree/shell/ItemIdList.h"
#include "foldertree/tree/TreeStyle.h"

#include <cstdint>

namespace pgv {

constexpr uint32_t kPropsVersion = 0x000A0000; // 10.0
constexpr int32_t kIndentMin = 19;
constexpr int32_t kIndentMax = 200;
constexpr int32_t kSelectionDelayDefault = 600;
constexpr int32_t kSelectionDelayMax = 10000;
constexpr int16_t kBorderStyleMax = 2;
constexpr int32_t kShellImageListTypeMax = 2;

struct PathgroveProps {
    // Stock: extent (HIMETRIC) and Enabled.
    int32_t extentX = 2540;
    int32_t extentY = 2540;
    bool enabled = true;
    // The root's item-id list; empty means the desktop.
    ItemIdList root;
    bool showContextMenus = true;
    bool showCheckBoxes = false;
    bool showSpecialFolders = true;
    bool showFiles = false;
    bool showHiddenObjects = true;
    bool hasLinesAtRoot = false;
    bool hasLines = true;
    bool hasButtons = true;
    bool hotTracking = false;
    bool expandSelectedNode = false;
    int32_t indent = kIndentMin;
    int32_t backColor;
    int32_t foreColor;
    bool autoUpdate = true;
    bool allowNodeRenaming = true;
    bool defaultKeyHandling = true;
    int32_t selectionDelay = kSelectionDelayDefault;
    bool autoCheckChildren = false;
    bool showInfoTips = true;
    bool allowDragDrop = true;
    int16_t borderStyle = kBorderStyleMax;
    bool showUIDialogs = true;
    // These four and LineColor have no reset value: a reset keeps what they
    // hold.
    bool allowZipFolders = false;
    bool hideSelection = false;
    bool queryHasSubFolders = true;
    int32_t shellImageListType = 0;
    bool fullRowSelect = false;
    int32_t lineColor;

    PathgroveProps();
    bool operator==(const PathgroveProps&) const = default;
};

// Sets every setting that has a reset value to it (the font is the caller's).
void ResetProps(PathgroveProps* props);
// Out-of-range loaded values become their defaults.
void ApplyLoadRules(PathgroveProps* props);

bool IsIndentAllowed(int32_t indent);
bool IsSelectionDelayAllowed(int32_t delay);
bool IsBorderStyleAllowed(int16_t style);
bool IsShellImageListTypeAllowed(int32_t type);

// The tree window's style from the settings.
uint32_t TreeStyleBits(const PathgroveProps& props);

} // namespace pgv
