#include "foldertree/control/PathgroveProps.h"

#include "foldertree/api/Pathgrove.h"

namespace pgv {

PathgroveProps::PathgroveProps()
    : backColor(kColorWindow), foreColor(kColorWindowText), lineColor(kColorTreeDefault) {}

void ResetProps(PathgroveProps* props) {
    PathgroveProps defaults;
    defaults.extentX = props->extentX;
    defaults.extentY = props->extentY;
    defaults.allowZipFolders = props->allowZipFolders;
    defaults.hideSelection = props->hideSelection;
    defaults.queryHasSubFolders = props->queryHasSubFolders;
    defaults.fullRowSelect = props->fullRowSelect;
    defaults.lineColor = props->lineColor;
    *props = defaults;
}

bool IsIndentAllowed(int32_t indent) {
    return indent >= kIndentMin && indent <= kIndentMax;
}

bool IsSelectionDelayAllowed(int32_t delay) {
    return delay >= 0 && delay <= kSelectionDelayMax;
}

bool IsBorderStyleAllowed(int16_t style) {
    return style >= 0 && style <= kBorderStyleMax;
}

bool IsShellImageListTypeAllowed(int32_t type) {
    return type >= 0 && type <= kShellImageListTypeMax;
}

void ApplyLoadRules(PathgroveProps* props) {
    if (!IsIndentAllowed(props->indent))
        props->indent = kIndentMin;
    if (!IsSelectionDelayAllowed(props->selectionDelay))
        props->selectionDelay = kSelectionDelayDefault;
    if (!IsBorderStyleAllowed(props->borderStyle))
        props->borderStyle = kBorderStyleMax;
    if (!IsShellImageListTypeAllowed(props->shellImageListType))
        props->shellImageListType = 0;
}

uint32_t TreeStyleBits(const PathgroveProps& props) {
    uint32_t style = TVS_EDITLABELS;
    if (!props.hideSelection)
        style |= TVS_SHOWSELALWAYS;
    if (props.hasLines)
        style |= TVS_HASLINES;
    if (props.hasLinesAtRoot)
        style |= TVS_LINESATROOT;
    if (props.hasButtons)
        style |= TVS_HASBUTTONS;
    if (props.hotTracking)
        style |= TVS_TRACKSELECT;
    if (props.expandSelectedNode)
        style |= TVS_SINGLEEXPAND;
    if (props.showInfoTips)
        style |= TVS_INFOTIP;
    if (props.fullRowSelect)
        style |= TVS_FULLROWSELECT;
    return style;
}

} // namespace pgv
