// The order and names of the persisted settings, in one place: every form
// of persistence (the binary stream and the property bag, in both
// directions) walks this exchange.
#pragma once

#include "foldertree/control/PathgroveProps.h"

namespace pgv {

// The string written for the unused "rrr" setting.
constexpr const char16_t* kRrrSavedText = u"test";

// `Io` offers Version, Long, Short, Bool, Blob, Text and Font, each taking
// the setting's name and a reference to its value. A reader may stop early;
// what it has not reached keeps its value.
template <class Io> void ExchangeProps(Io& io, PathgroveProps& p, FontDesc& font) {
    io.Version(u"_Version");
    io.Long(u"_ExtentX", p.extentX);
    io.Long(u"_ExtentY", p.extentY);
    io.Bool(u"Enabled", p.enabled);
    io.Blob(u"root", p.root);
    std::u16string rrr = kRrrSavedText;
    io.Text(u"rrr", rrr);
    io.Bool(u"ShowContextMenus", p.showContextMenus);
    io.Bool(u"ShowCheckBoxes", p.showCheckBoxes);
    io.Bool(u"ShowSpecailFolders", p.showSpecialFolders);
    io.Bool(u"ShowFiles", p.showFiles);
    io.Bool(u"ShowHiddenObjects", p.showHiddenObjects);
    io.Bool(u"HasLinesAtRoot", p.hasLinesAtRoot);
    io.Bool(u"HasLines", p.hasLines);
    io.Bool(u"HasButtons", p.hasButtons);
    io.Bool(u"HotTracking", p.hotTracking);
    io.Bool(u"ExpandSelectedNode", p.expandSelectedNode);
    io.Long(u"Indent", p.indent);
    io.Long(u"BackColor", p.backColor);
    io.Long(u"ForeColor", p.foreColor);
    io.Bool(u"AutoUpdate", p.autoUpdate);
    io.Bool(u"AllowNodeRenaming", p.allowNodeRenaming);
    io.Bool(u"DefaultKeyHandling", p.defaultKeyHandling);
    io.Long(u"SelectionDelay", p.selectionDelay);
    io.Bool(u"AutoCheckChildren", p.autoCheckChildren);
    io.Bool(u"ShowInfoTips", p.showInfoTips);
    io.Bool(u"AllowDragDrop", p.allowDragDrop);
    io.Short(u"BorderStyle", p.borderStyle);
    io.Font(u"Font", font);
    io.Bool(u"ShowUIDialogs", p.showUIDialogs);
    io.Bool(u"AllowZipFolders", p.allowZipFolders);
    io.Bool(u"HideSelection", p.hideSelection);
    io.Bool(u"QueryHasSubFolders", p.queryHasSubFolders);
    io.Long(u"ShellImageListType", p.shellImageListType);
    io.Bool(u"FullRowSelect", p.fullRowSelect);
    io.Long(u"LineColor", p.lineColor);
}

// Reads settings through `reader` over the reset values of `*props`, the
// font starting from `*font`, then clamps what was read.
template <class Reader> void LoadProps(Reader& reader, PathgroveProps* props, FontDesc* font) {
    PathgroveProps loaded = *props;
    ResetProps(&loaded);
    FontDesc loadedFont = *font;
    ExchangeProps(reader, loaded, loadedFont);
    ApplyLoadRules(&loaded);
    *props = std::move(loaded);
    *font = std::move(loadedFont);
}

} // namespace pgv
