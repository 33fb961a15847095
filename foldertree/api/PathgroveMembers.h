// The one list of the folder-tree control's automation members. The host
// header's dispid enumerations and the control's dispatch tables are both
// generated from it, so host and control cannot drift apart.
//
// X(dispid, Name, UPPER_NAME, kind, type, parameters...)
// kind: PROPERTY, READONLY or METHOD; type: the property type or the method's
// result (VT_EMPTY for none); parameters: {name, type, flags}.
#pragma once

#include "foldertree/automation/DispatchTable.h"

#define PGV_P(name, vt)                                                                                      \
    { u"" #name, ax::vt, 0 }
#define PGV_PREF(name, vt)                                                                                   \
    { u"" #name, ax::vt, ax::PF_BYREF }
#define PGV_POPT(name, vt)                                                                                   \
    { u"" #name, ax::vt, ax::PF_OPTIONAL }
#define PGV_PREFOPT(name, vt)                                                                                \
    { u"" #name, ax::vt, ax::PF_BYREF | ax::PF_OPTIONAL }

// _DPathgrove: the control's dispatch interface.
#define PGV_CONTROL_MEMBERS(X)                                                                               \
    X(1, ForeColor, FORECOLOR, PROPERTY, ax::VT_I4)                                                          \
    X(2, BackColor, BACKCOLOR, PROPERTY, ax::VT_I4)                                                          \
    X(3, ShowContextMenus, SHOWCONTEXTMENUS, PROPERTY, ax::VT_BOOL)                                          \
    X(4, ShowFiles, SHOWFILES, PROPERTY, ax::VT_BOOL)                                                        \
    X(5, ShowSpecailFolders, SHOWSPECAILFOLDERS, PROPERTY, ax::VT_BOOL)                                      \
    X(6, ShowHiddenObjects, SHOWHIDDENOBJECTS, PROPERTY, ax::VT_BOOL)                                        \
    X(7, SelectedNode, SELECTEDNODE, PROPERTY, ax::VT_DISPATCH)                                              \
    X(8, HasLines, HASLINES, PROPERTY, ax::VT_BOOL)                                                          \
    X(9, HasLinesAtRoot, HASLINESATROOT, PROPERTY, ax::VT_BOOL)                                              \
    X(10, HasButtons, HASBUTTONS, PROPERTY, ax::VT_BOOL)                                                     \
    X(11, ShowCheckBoxes, SHOWCHECKBOXES, PROPERTY, ax::VT_BOOL)                                             \
    X(12, Indent, INDENT, PROPERTY, ax::VT_I4)                                                               \
    X(13, HotTracking, HOTTRACKING, PROPERTY, ax::VT_BOOL)                                                   \
    X(14, AutoUpdate, AUTOUPDATE, PROPERTY, ax::VT_BOOL)                                                     \
    X(15, root, ROOT, READONLY, ax::VT_R8)                                                                   \
    X(16, RootFolder, ROOTFOLDER, PROPERTY, ax::VT_BSTR)                                                     \
    X(17, RootPidl, ROOTPIDL, PROPERTY, ax::VT_R8)                                                           \
    X(18, AllowNodeRenaming, ALLOWNODERENAMING, PROPERTY, ax::VT_BOOL)                                       \
    X(19, DefaultKeyHandling, DEFAULTKEYHANDLING, PROPERTY, ax::VT_BOOL)                                     \
    X(20, SelectionDelay, SELECTIONDELAY, PROPERTY, ax::VT_I4)                                               \
    X(21, ShowInfoTips, SHOWINFOTIPS, PROPERTY, ax::VT_BOOL)                                                 \
    X(22, AllowDragDrop, ALLOWDRAGDROP, PROPERTY, ax::VT_BOOL)                                               \
    X(23, WindowHandle, WINDOWHANDLE, READONLY, ax::VT_I4)                                                   \
    X(25, BorderStyle, BORDERSTYLE, PROPERTY, ax::VT_I2)                                                     \
    X(29, CancelEvent, CANCELEVENT, PROPERTY, ax::VT_BOOL)                                                   \
    X(30, AutoCheckChildren, AUTOCHECKCHILDREN, PROPERTY, ax::VT_BOOL)                                       \
    X(31, Font, FONT, PROPERTY, ax::VT_DISPATCH)                                                             \
    X(32, ExpandSelectedNode, EXPANDSELECTEDNODE, PROPERTY, ax::VT_BOOL)                                     \
    X(33, ShowUIDialogs, SHOWUIDIALOGS, PROPERTY, ax::VT_BOOL)                                               \
    X(34, HideSelection, HIDESELECTION, PROPERTY, ax::VT_BOOL)                                               \
    X(35, AllowZipFolders, ALLOWZIPFOLDERS, PROPERTY, ax::VT_BOOL)                                           \
    X(36, QueryHasSubFolders, QUERYHASSUBFOLDERS, PROPERTY, ax::VT_BOOL)                                     \
    X(37, ShellImageListType, SHELLIMAGELISTTYPE, PROPERTY, ax::VT_I4)                                       \
    X(38, FullRowSelect, FULLROWSELECT, PROPERTY, ax::VT_BOOL)                                               \
    X(39, LineColor, LINECOLOR, PROPERTY, ax::VT_I4)                                                         \
    X(40, VisibleCount, VISIBLECOUNT, READONLY, ax::VT_I4)                                                   \
    X(41, FirstVisibleNode, FIRSTVISIBLENODE, READONLY, ax::VT_DISPATCH)                                     \
    X(42, NextVisibleNode, NEXTVISIBLENODE, READONLY, ax::VT_DISPATCH)                                       \
    X(43, SelectRootFolder, SELECTROOTFOLDER, METHOD, ax::VT_EMPTY)                                          \
    X(44, SelectParent, SELECTPARENT, METHOD, ax::VT_EMPTY)                                                  \
    X(45, ResetToDesktop, RESETTODESKTOP, METHOD, ax::VT_EMPTY)                                              \
    X(46, SetSpecialFolderAsRoot, SETSPECIALFOLDERASROOT, METHOD, ax::VT_EMPTY, PGV_P(nFolder, VT_I4))       \
    X(47, SelectNode, SELECTNODE, METHOD, ax::VT_BOOL, PGV_P(Path, VT_BSTR), PGV_P(PIDL, VT_R8),             \
      PGV_P(Add, VT_BOOL))                                                                                   \
    X(48, SelectChild, SELECTCHILD, METHOD, ax::VT_BOOL, PGV_P(Name, VT_BSTR), PGV_P(PIDL, VT_R8))           \
    X(49, GetFirstItem, GETFIRSTITEM, METHOD, ax::VT_DISPATCH)                                               \
    X(50, GetNextItem, GETNEXTITEM, METHOD, ax::VT_DISPATCH)                                                 \
    X(51, CreateNewFolder, CREATENEWFOLDER, METHOD, ax::VT_DISPATCH, PGV_P(EditNow, VT_BOOL))                \
    X(52, RefreshView, REFRESHVIEW, METHOD, ax::VT_EMPTY)                                                    \
    X(53, HitTest, HITTEST, METHOD, ax::VT_DISPATCH, PGV_PREFOPT(HitTestInfo, VT_I4), PGV_P(x, VT_R4),       \
      PGV_P(y, VT_R4))                                                                                       \
    X(54, AddCustomIcon, ADDCUSTOMICON, METHOD, ax::VT_I4, PGV_P(IconPath, VT_BSTR),                         \
      PGV_P(IconPicDisp, VT_DISPATCH))                                                                       \
    X(55, AddCustomContextMenuItem, ADDCUSTOMCONTEXTMENUITEM, METHOD, ax::VT_I4, PGV_P(Caption, VT_BSTR),    \
      PGV_P(State, VT_I4))                                                                                   \
    X(56, GetNode, GETNODE, METHOD, ax::VT_DISPATCH, PGV_P(Path, VT_BSTR), PGV_P(PIDL, VT_R8),               \
      PGV_P(Add, VT_BOOL))                                                                                   \
    X(57, AddCustomNode, ADDCUSTOMNODE, METHOD, ax::VT_R8, PGV_P(RelativeNodeID, VT_R8),                     \
      PGV_P(RelativeNodeObject, VT_DISPATCH), PGV_P(Relation, VT_I4), PGV_P(Text, VT_BSTR),                  \
      PGV_P(IconIndex, VT_I4), PGV_P(SelectedIconIndex, VT_I4))                                              \
    X(58, GetNodeFromID, GETNODEFROMID, METHOD, ax::VT_DISPATCH, PGV_P(ID, VT_R8))                           \
    X(59, SetOverlayIcon, SETOVERLAYICON, METHOD, ax::VT_I4, PGV_P(IconIndex, VT_I4))                        \
    X(60, SetCheckboxBitmaps, SETCHECKBOXBITMAPS, METHOD, ax::VT_EMPTY, PGV_P(BmpStrip, VT_DISPATCH),        \
      PGV_P(ImageWidth, VT_I4), PGV_P(TransparentColor, VT_I4))                                              \
    X(61, StringResources, STRINGRESOURCES, METHOD, ax::VT_DISPATCH)                                         \
    X(62, FirstCheckedNode, FIRSTCHECKEDNODE, METHOD, ax::VT_DISPATCH)                                       \
    X(63, NextCheckedNode, NEXTCHECKEDNODE, METHOD, ax::VT_DISPATCH)                                         \
    X(64, Utilities, UTILITIES, METHOD, ax::VT_DISPATCH)                                                     \
    X(65, BeginUpdate, BEGINUPDATE, METHOD, ax::VT_EMPTY)                                                    \
    X(66, EndUpdate, ENDUPDATE, METHOD, ax::VT_EMPTY, PGV_P(invalidate, VT_BOOL))                            \
    X(67, GoUp, GOUP, METHOD, ax::VT_EMPTY)                                                                  \
    X(68, RefreshTree, REFRESHTREE, METHOD, ax::VT_EMPTY)                                                    \
    X(69, AddRootNode, ADDROOTNODE, METHOD, ax::VT_DISPATCH, PGV_P(PIDL, VT_R8), PGV_P(position, VT_I4))     \
    X(-514, Enabled, ENABLED, PROPERTY, ax::VT_BOOL)

// _DPathgroveEvents: what the control fires at its host.
#define PGV_EVENT_MEMBERS(X)                                                                                 \
    X(1, NodeExpanding, NODEEXPANDING, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH),                       \
      PGV_PREF(Cancel, VT_BOOL))                                                                             \
    X(2, NodeChecking, NODECHECKING, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH),                         \
      PGV_PREF(Cancel, VT_BOOL))                                                                             \
    X(3, NodeCollapsing, NODECOLLAPSING, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH),                     \
      PGV_PREF(Cancel, VT_BOOL))                                                                             \
    X(4, NodeRightClick, NODERIGHTCLICK, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))                     \
    X(5, OnContextMenuHint, ONCONTEXTMENUHINT, METHOD, ax::VT_EMPTY, PGV_P(Hint, VT_BSTR))                   \
    X(6, OnBeforeNodeSelect, ONBEFORENODESELECT, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH),             \
      PGV_PREF(Cancel, VT_BOOL))                                                                             \
    X(7, OnAfterNodeSelect, ONAFTERNODESELECT, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))               \
    X(8, NodeChecked, NODECHECKED, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))                           \
    X(9, OnBeforeNodeRename, ONBEFORENODERENAME, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH),             \
      PGV_PREF(Cancel, VT_BOOL))                                                                             \
    X(10, OnAfterNodeRename, ONAFTERNODERENAME, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH),              \
      PGV_P(NewName, VT_BSTR), PGV_PREF(Cancel, VT_BOOL))                                                    \
    X(11, OnAfterNodeAdd, ONAFTERNODEADD, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))                    \
    X(12, OnBeforeNodeDelete, ONBEFORENODEDELETE, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))            \
    X(13, OnCustomContextMenuItemAdd, ONCUSTOMCONTEXTMENUITEMADD, METHOD, ax::VT_EMPTY,                      \
      PGV_P(Node, VT_DISPATCH))                                                                              \
    X(14, OnCustomContextMenuItemSelect, ONCUSTOMCONTEXTMENUITEMSELECT, METHOD, ax::VT_EMPTY,                \
      PGV_P(Node, VT_DISPATCH), PGV_P(CmdID, VT_I4))                                                         \
    X(15, OnBeforeShellCommandExecute, ONBEFORESHELLCOMMANDEXECUTE, METHOD, ax::VT_EMPTY,                    \
      PGV_P(CommandStr, VT_BSTR), PGV_PREF(Cancel, VT_BOOL))                                                 \
    X(16, NodeExpanded, NODEEXPANDED, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))                        \
    X(17, NodeCollapsed, NODECOLLAPSED, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))                      \
    X(18, OnGetInfoTip, ONGETINFOTIP, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH),                        \
      PGV_PREF(InfoTip, VT_BSTR))                                                                            \
    X(19, OnOleDragOver, ONOLEDRAGOVER, METHOD, ax::VT_EMPTY, PGV_P(DataObject, VT_DISPATCH),                \
      PGV_PREF(effect, VT_I4), PGV_P(Button, VT_I4), PGV_P(Shift, VT_I4), PGV_P(x, VT_I4), PGV_P(y, VT_I4),  \
      PGV_P(state, VT_I4), PGV_P(Node, VT_DISPATCH))                                                         \
    X(20, OnOleStartDrag, ONOLESTARTDRAG, METHOD, ax::VT_EMPTY, PGV_P(DataObject, VT_DISPATCH),              \
      PGV_P(Node, VT_DISPATCH), PGV_PREF(effects, VT_I4), PGV_P(Button, VT_I4), PGV_PREF(Cancel, VT_BOOL))   \
    X(21, OnOleDragDrop, ONOLEDRAGDROP, METHOD, ax::VT_EMPTY, PGV_P(DataObject, VT_DISPATCH),                \
      PGV_P(effect, VT_I4), PGV_P(Button, VT_I4), PGV_P(Shift, VT_I4), PGV_P(x, VT_R4), PGV_P(y, VT_R4),     \
      PGV_P(Node, VT_DISPATCH), PGV_PREF(DoDefaultShellDropAction, VT_BOOL))                                 \
    X(22, OnCustomContextMenuItemSelect2, ONCUSTOMCONTEXTMENUITEMSELECT2, METHOD, ax::VT_EMPTY,              \
      PGV_P(Node, VT_DISPATCH), PGV_P(Caption, VT_BSTR), PGV_P(CmdID, VT_I4))                                \
    X(23, OnContextMenuPopup, ONCONTEXTMENUPOPUP, METHOD, ax::VT_EMPTY, PGV_P(ShellMenu, VT_DISPATCH),       \
      PGV_PREF(Cancel, VT_BOOL))                                                                             \
    X(24, OnQueryNodeCheckState, ONQUERYNODECHECKSTATE, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))      \
    X(25, Initialize, INITIALIZE, METHOD, ax::VT_EMPTY, PGV_PREF(Path, VT_BSTR), PGV_PREF(PIDL, VT_R8))      \
    X(26, NodeDoubleClick, NODEDOUBLECLICK, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))                  \
    X(27, NodeClick, NODECLICK, METHOD, ax::VT_EMPTY, PGV_P(Node, VT_DISPATCH))                              \
    X(-600, Click, CLICK, METHOD, ax::VT_EMPTY)                                                              \
    X(-601, DblClick, DBLCLICK, METHOD, ax::VT_EMPTY)                                                        \
    X(-602, KeyDown, KEYDOWN, METHOD, ax::VT_EMPTY, PGV_PREF(KeyCode, VT_I2), PGV_P(Shift, VT_I2))           \
    X(-604, KeyUp, KEYUP, METHOD, ax::VT_EMPTY, PGV_PREF(KeyCode, VT_I2), PGV_P(Shift, VT_I2))               \
    X(-605, MouseDown, MOUSEDOWN, METHOD, ax::VT_EMPTY, PGV_P(Button, VT_I2), PGV_P(Shift, VT_I2),           \
      PGV_P(x, VT_I4), PGV_P(y, VT_I4))                                                                      \
    X(-606, MouseMove, MOUSEMOVE, METHOD, ax::VT_EMPTY, PGV_P(Button, VT_I2), PGV_P(Shift, VT_I2),           \
      PGV_P(x, VT_I4), PGV_P(y, VT_I4))                                                                      \
    X(-607, MouseUp, MOUSEUP, METHOD, ax::VT_EMPTY, PGV_P(Button, VT_I2), PGV_P(Shift, VT_I2),               \
      PGV_P(x, VT_I4), PGV_P(y, VT_I4))

// ITreeNode: one tree item as the host sees it.
#define PGV_NODE_MEMBERS(X)                                                                                  \
    X(1, DisplayName, DISPLAYNAME, READONLY, ax::VT_BSTR)                                                    \
    X(2, Bold, BOLD, PROPERTY, ax::VT_BOOL)                                                                  \
    X(3, Checked, CHECKED, PROPERTY, ax::VT_BOOL)                                                            \
    X(4, PIDL, PIDL, READONLY, ax::VT_R8)                                                                    \
    X(5, CheckState, CHECKSTATE, PROPERTY, ax::VT_I4)                                                        \
    X(6, PIDLRelative, PIDLRELATIVE, READONLY, ax::VT_R8)                                                    \
    X(7, IconIndex, ICONINDEX, PROPERTY, ax::VT_I4)                                                          \
    X(8, Expanded, EXPANDED, PROPERTY, ax::VT_BOOL)                                                          \
    X(9, Text, TEXT, PROPERTY, ax::VT_BSTR)                                                                  \
    X(10, UserData, USERDATA, PROPERTY, ax::VT_VARIANT)                                                      \
    X(11, ShowCheckBox, SHOWCHECKBOX, PROPERTY, ax::VT_BOOL)                                                 \
    X(12, OverlayIconIndex, OVERLAYICONINDEX, PROPERTY, ax::VT_I4)                                           \
    X(13, Selected, SELECTED, PROPERTY, ax::VT_BOOL)                                                         \
    X(14, ID, ID, READONLY, ax::VT_R8)                                                                       \
    X(15, HasExpandedOnce, HASEXPANDEDONCE, READONLY, ax::VT_BOOL)                                           \
    X(16, IsVisible, ISVISIBLE, READONLY, ax::VT_BOOL)                                                       \
    X(17, Level, LEVEL, READONLY, ax::VT_I4)                                                                 \
    X(18, Hilited, HILITED, PROPERTY, ax::VT_BOOL)                                                           \
    X(19, Parent, PARENT, READONLY, ax::VT_DISPATCH)                                                         \
    X(20, Child, CHILD, READONLY, ax::VT_DISPATCH, PGV_POPT(Fill, VT_VARIANT))                               \
    X(21, NextSibling, NEXTSIBLING, READONLY, ax::VT_DISPATCH)                                               \
    X(22, PreviousSibling, PREVIOUSSIBLING, READONLY, ax::VT_DISPATCH)                                       \
    X(23, EnsureVisible, ENSUREVISIBLE, METHOD, ax::VT_EMPTY)                                                \
    X(24, Children, CHILDREN, READONLY, ax::VT_I4, PGV_POPT(Fill, VT_VARIANT))                               \
    X(25, Siblings, SIBLINGS, READONLY, ax::VT_I4)                                                           \
    X(26, Path, PATH, READONLY, ax::VT_BSTR)                                                                 \
    X(27, ExecuteShellCommand, EXECUTESHELLCOMMAND, METHOD, ax::VT_BOOL, PGV_P(cmd, VT_I4))                  \
    X(28, SetAsRoot, SETASROOT, METHOD, ax::VT_EMPTY)                                                        \
    X(29, Attributes, ATTRIBUTES, METHOD, ax::VT_I4, PGV_P(attrib, VT_I4))                                   \
    X(30, Delete, DELETE, METHOD, ax::VT_EMPTY)                                                              \
    X(31, CreateNewFolder, CREATENEWFOLDER, METHOD, ax::VT_DISPATCH, PGV_P(FolderName, VT_BSTR),             \
      PGV_P(EditNow, VT_BOOL))                                                                               \
    X(32, IsDesktop, ISDESKTOP, READONLY, ax::VT_BOOL)                                                       \
    X(33, IsCustom, ISCUSTOM, READONLY, ax::VT_BOOL)                                                         \
    X(34, IsSpecialFolder, ISSPECIALFOLDER, METHOD, ax::VT_BOOL, PGV_P(SpecialFolder, VT_I4))                \
    X(35, FindChild, FINDCHILD, METHOD, ax::VT_DISPATCH, PGV_P(Name, VT_BSTR))                               \
    X(36, Dummy, DUMMY, READONLY, ax::VT_DISPATCH)                                                           \
    X(37, Dummy1, DUMMY1, READONLY, ax::VT_DISPATCH)                                                         \
    X(38, DisplayShellMenu, DISPLAYSHELLMENU, METHOD, ax::VT_EMPTY, PGV_P(x, VT_I4), PGV_P(y, VT_I4))        \
    X(39, RefreshCheckState, REFRESHCHECKSTATE, METHOD, ax::VT_EMPTY)                                        \
    X(40, GetShellIcon, GETSHELLICON, METHOD, ax::VT_DISPATCH, PGV_P(IconType, VT_I4))                       \
    X(41, IsFolder, ISFOLDER, READONLY, ax::VT_BOOL)                                                         \
    X(42, GetDisplayNameEx, GETDISPLAYNAMEEX, METHOD, ax::VT_BSTR, PGV_P(flags, VT_I4))                      \
    X(43, GetChildrenCheckState, GETCHILDRENCHECKSTATE, METHOD, ax::VT_I4)                                   \
    X(44, RefreshChildren, REFRESHCHILDREN, METHOD, ax::VT_EMPTY)                                            \
    X(45, RefreshTree, REFRESHTREE, METHOD, ax::VT_EMPTY)                                                    \
    X(46, Toggle, TOGGLE, METHOD, ax::VT_EMPTY)                                                              \
    X(47, BeginLabelEdit, BEGINLABELEDIT, METHOD, ax::VT_EMPTY)                                              \
    X(48, EndLabelEdit, ENDLABELEDIT, METHOD, ax::VT_EMPTY, PGV_P(Cancel, VT_BOOL))                          \
    X(49, GetPreviousVisibleNode, GETPREVIOUSVISIBLENODE, METHOD, ax::VT_DISPATCH)                           \
    X(50, GetNextVisibleNode, GETNEXTVISIBLENODE, METHOD, ax::VT_DISPATCH)

// IStringResourceManager: the key-to-text table a host may fill.
#define PGV_STRING_MEMBERS(X)                                                                                \
    X(1, GetString, GETSTRING, METHOD, ax::VT_BSTR, PGV_P(Key, VT_BSTR))                                     \
    X(2, SetString, SETSTRING, METHOD, ax::VT_EMPTY, PGV_P(Key, VT_BSTR), PGV_P(Value, VT_BSTR))             \
    X(3, IsCultureSupported, ISCULTURESUPPORTED, METHOD, ax::VT_BOOL, PGV_P(lcid, VT_I4))                    \
    X(4, SetCulture, SETCULTURE, METHOD, ax::VT_BOOL, PGV_P(lcid, VT_I4))

// The control's font object (the standard font members).
#define PGV_FONT_MEMBERS(X)                                                                                  \
    X(0, Name, NAME, PROPERTY, ax::VT_BSTR)                                                                  \
    X(2, Size, SIZE, PROPERTY, ax::VT_CY)                                                                    \
    X(3, Bold, BOLD, PROPERTY, ax::VT_BOOL)                                                                  \
    X(4, Italic, ITALIC, PROPERTY, ax::VT_BOOL)                                                              \
    X(5, Underline, UNDERLINE, PROPERTY, ax::VT_BOOL)                                                        \
    X(6, Strikethrough, STRIKETHROUGH, PROPERTY, ax::VT_BOOL)                                                \
    X(7, Weight, WEIGHT, PROPERTY, ax::VT_I2)                                                                \
    X(8, Charset, CHARSET, PROPERTY, ax::VT_I2)

// IShellContextMenu: a context menu or submenu while it is built or shown.
#define PGV_MENU_MEMBERS(X)                                                                                  \
    X(1, ItemCount, ITEMCOUNT, READONLY, ax::VT_I4)                                                          \
    X(2, Parent, PARENT, READONLY, ax::VT_DISPATCH)                                                          \
    X(3, GetItem, GETITEM, METHOD, ax::VT_DISPATCH, PGV_P(index, VT_I4))                                     \
    X(4, RemoveItem, REMOVEITEM, METHOD, ax::VT_EMPTY, PGV_P(index, VT_I4))                                  \
    X(5, AddItem, ADDITEM, METHOD, ax::VT_DISPATCH, PGV_P(caption, VT_BSTR))                                 \
    X(6, InsertItem, INSERTITEM, METHOD, ax::VT_DISPATCH, PGV_P(caption, VT_BSTR), PGV_P(index, VT_I4))      \
    X(7, FindItem, FINDITEM, METHOD, ax::VT_DISPATCH, PGV_P(search, VT_BSTR))                                \
    X(8, Clear, CLEAR, METHOD, ax::VT_EMPTY)

// IShellMenuItem: one entry of a context menu.
#define PGV_MENUITEM_MEMBERS(X)                                                                              \
    X(1, Caption, CAPTION, PROPERTY, ax::VT_BSTR)                                                            \
    X(2, Checked, CHECKED, PROPERTY, ax::VT_BOOL)                                                            \
    X(3, RadioChecked, RADIOCHECKED, PROPERTY, ax::VT_BOOL)                                                  \
    X(4, Break, BREAK, PROPERTY, ax::VT_BOOL)                                                                \
    X(5, BarBreak, BARBREAK, PROPERTY, ax::VT_BOOL)                                                          \
    X(6, DefaultItem, DEFAULTITEM, PROPERTY, ax::VT_BOOL)                                                    \
    X(7, Parent, PARENT, READONLY, ax::VT_DISPATCH)                                                          \
    X(8, SubMenu, SUBMENU, READONLY, ax::VT_DISPATCH)                                                        \
    X(9, Index, INDEX, PROPERTY, ax::VT_I4)                                                                  \
    X(10, Separator, SEPARATOR, PROPERTY, ax::VT_BOOL)                                                       \
    X(11, ID, ID, READONLY, ax::VT_I4)                                                                       \
    X(12, HasSubMenu, HASSUBMENU, PROPERTY, ax::VT_BOOL)                                                     \
    X(13, Enabled, ENABLED, PROPERTY, ax::VT_BOOL)                                                           \
    X(14, SetBitmap, SETBITMAP, METHOD, ax::VT_EMPTY, PGV_P(BitmapDisp, VT_DISPATCH))

// IPGVDataObject: the data of a drag the host watches or starts.
#define PGV_DATAOBJECT_MEMBERS(X)                                                                            \
    X(1, Files, FILES, PROPERTY, ax::VT_VARIANT)                                                             \
    X(2, GetBinary, GETBINARY, METHOD, ax::VT_VARIANT, PGV_P(Format, VT_I4))                                 \
    X(3, GetFormat, GETFORMAT, METHOD, ax::VT_BOOL, PGV_P(Format, VT_I4))                                    \
    X(4, GetText, GETTEXT, METHOD, ax::VT_BSTR)                                                              \
    X(5, SetBinary, SETBINARY, METHOD, ax::VT_EMPTY, PGV_P(Data, VT_VARIANT), PGV_P(Format, VT_I4))          \
    X(6, SetText, SETTEXT, METHOD, ax::VT_EMPTY, PGV_P(Text, VT_BSTR))                                       \
    X(7, Empty, EMPTY, METHOD, ax::VT_EMPTY)                                                                 \
    X(8, SetBitmap, SETBITMAP, METHOD, ax::VT_EMPTY, PGV_P(Bitmap, VT_DISPATCH))                             \
    X(9, GetBitmap, GETBITMAP, METHOD, ax::VT_DISPATCH)

// IUtilities: item-id list and icon helpers (lists as R8 handles, 0 for
// none).
#define PGV_UTILITIES_MEMBERS(X)                                                                             \
    X(1, GetDisplayNameFromPIDL, GETDISPLAYNAMEFROMPIDL, METHOD, ax::VT_BSTR, PGV_P(PIDL, VT_R8),            \
      PGV_P(flags, VT_I4))                                                                                   \
    X(2, GetShellIconFromPIDL, GETSHELLICONFROMPIDL, METHOD, ax::VT_DISPATCH, PGV_P(PIDL, VT_R8),            \
      PGV_P(ShellIconType, VT_I4))                                                                           \
    X(3, GetSpecialFolderPIDL, GETSPECIALFOLDERPIDL, METHOD, ax::VT_R8, PGV_P(SpecialFolder, VT_I4))         \
    X(4, PIDLCompare, PIDLCOMPARE, METHOD, ax::VT_I4, PGV_P(PIDL1, VT_R8), PGV_P(PIDL2, VT_R8))              \
    X(5, PIDLConcat, PIDLCONCAT, METHOD, ax::VT_R8, PGV_P(PIDL1, VT_R8), PGV_P(PIDL2, VT_R8))                \
    X(6, PIDLCopy, PIDLCOPY, METHOD, ax::VT_R8, PGV_P(PIDL, VT_R8))                                          \
    X(7, PIDLFree, PIDLFREE, METHOD, ax::VT_EMPTY, PGV_P(PIDL, VT_R8))                                       \
    X(8, PIDLFromPath, PIDLFROMPATH, METHOD, ax::VT_R8, PGV_P(Path, VT_BSTR))                                \
    X(9, PIDLEncode, PIDLENCODE, METHOD, ax::VT_BSTR, PGV_P(PIDL, VT_R8))                                    \
    X(10, PIDLDecode, PIDLDECODE, METHOD, ax::VT_R8, PGV_P(strPIDL, VT_BSTR))                                \
    X(11, GetSystemIconIndexFromExtension, GETSYSTEMICONINDEXFROMEXTENSION, METHOD, ax::VT_I4,               \
      PGV_P(Extension, VT_BSTR))                                                                             \
    X(12, GetSystemIconIndexFromPath, GETSYSTEMICONINDEXFROMPATH, METHOD, ax::VT_I4, PGV_P(Path, VT_BSTR))   \
    X(13, GetStandardSystemIconIndex, GETSTANDARDSYSTEMICONINDEX, METHOD, ax::VT_I4,                         \
      PGV_P(StandardIconType, VT_I4))                                                                        \
    X(14, PIDLSplit, PIDLSPLIT, METHOD, ax::VT_EMPTY, PGV_P(PIDL, VT_R8), PGV_PREFOPT(parent, VT_R8),        \
      PGV_PREFOPT(child, VT_R8))                                                                             \
    X(15, PathFromPIDL, PATHFROMPIDL, METHOD, ax::VT_BSTR, PGV_P(PIDL, VT_R8))                               \
    X(16, GetSpecialFolderPath, GETSPECIALFOLDERPATH, METHOD, ax::VT_BSTR, PGV_P(SpecialFolder, VT_I4))      \
    X(17, DoesFilenameMatchWildCard, DOESFILENAMEMATCHWILDCARD, METHOD, ax::VT_BOOL,                         \
      PGV_P(FileName, VT_BSTR), PGV_P(WildCardPattern, VT_BSTR))

// The picture objects the control hands out (shell icons): the standard
// picture members, and the freedesktop name of the icon they show.
#define PGV_PICTURE_MEMBERS(X)                                                                               \
    X(0, Handle, HANDLE, READONLY, ax::VT_I4)                                                                \
    X(3, Type, TYPE, READONLY, ax::VT_I2)                                                                    \
    X(4, Width, WIDTH, READONLY, ax::VT_I4)                                                                  \
    X(5, Height, HEIGHT, READONLY, ax::VT_I4)                                                                \
    X(100, IconName, ICONNAME, READONLY, ax::VT_BSTR)

// Generators over a member list.
#define PGVC_ENUM(id, Name, UPPER, ...) PGVC_##UPPER = id,
#define PGVE_ENUM(id, Name, UPPER, ...) PGVE_##UPPER = id,
#define PGVS_ENUM(id, Name, UPPER, ...) PGVS_##UPPER = id,
#define PGVF_ENUM(id, Name, UPPER, ...) PGVF_##UPPER = id,
#define PGVN_ENUM(id, Name, UPPER, ...) PGVN_##UPPER = id,
#define PGVM_ENUM(id, Name, UPPER, ...) PGVM_##UPPER = id,
#define PGVI_ENUM(id, Name, UPPER, ...) PGVI_##UPPER = id,
#define PGVD_ENUM(id, Name, UPPER, ...) PGVD_##UPPER = id,
#define PGVU_ENUM(id, Name, UPPER, ...) PGVU_##UPPER = id,
#define PGVP_ENUM(id, Name, UPPER, ...) PGVP_##UPPER = id,
#define PGV_MEMBER_PARAMS(id, Name, UPPER, KIND, VT, ...)                                                    \
    inline constexpr ax::DispParamInfo kParams_##Name[] = {__VA_ARGS__ __VA_OPT__(, ){nullptr, 0, 0}};
#define PGV_MEMBER_INFO(id, Name, UPPER, KIND, VT, ...)                                                      \
    {id, u"" #Name,      ax::MK_##KIND,                                                                      \
     VT, kParams_##Name, static_cast<uint8_t>(sizeof(kParams_##Name) / sizeof(ax::DispParamInfo) - 1)},
// The table of a list in its own namespace: `ns::kMembers` and `ns::kTable`.
#define PGV_DEFINE_TABLE(ns, LIST)                                                                           \
    namespace ns {                                                                                           \
    LIST(PGV_MEMBER_PARAMS)                                                                                  \
    inline constexpr ax::DispMemberInfo kMembers[] = {LIST(PGV_MEMBER_INFO)};                                \
    inline constexpr ax::DispTable kTable = {kMembers, sizeof(kMembers) / sizeof(kMembers[0])};              \
    }

// Handler declarations and tables of a class implementing a list; the
// class is named by PGV_HANDLER_CLASS where the table is expanded.
#define PGV_DECLARE_HANDLERS(id, Name, UPPER, KIND, ...) PGV_DECLARE_##KIND(Name)
#define PGV_DECLARE_PROPERTY(Name)                                                                           \
    ax::HRESULT Get##Name(ax::Variant* args, ax::Variant* result);                                           \
    ax::HRESULT Put##Name(ax::Variant* args, ax::Variant* result);
#define PGV_DECLARE_READONLY(Name) ax::HRESULT Get##Name(ax::Variant* args, ax::Variant* result);
#define PGV_DECLARE_METHOD(Name) ax::HRESULT Call##Name(ax::Variant* args, ax::Variant* result);
#define PGV_HANDLER_ENTRY(id, Name, UPPER, KIND, ...) PGV_HANDLER_##KIND(Name)
#define PGV_HANDLER_PROPERTY(Name) {&PGV_HANDLER_CLASS::Get##Name, &PGV_HANDLER_CLASS::Put##Name},
#define PGV_HANDLER_READONLY(Name) {&PGV_HANDLER_CLASS::Get##Name, nullptr},
#define PGV_HANDLER_METHOD(Name) {&PGV_HANDLER_CLASS::Call##Name, nullptr},
