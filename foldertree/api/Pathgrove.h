// What a host needs to create and drive the folder-tree control: its ids,
// dispids and enumerations, the interfaces of the control-site contract and
// the dispatch tables of its interfaces.
#pragma once

#include "foldertree/api/PathgroveMembers.h"
#include "foldertree/automation/Interfaces.h"

#include <cstdint>

namespace pgv {

// Identity.
constexpr ax::Guid CLSID_Pathgrove = {
    0xB16CCC43, 0xCED6, 0x4B9A, {0xA6, 0x1F, 0x45, 0x47, 0x8B, 0xAB, 0x55, 0xDB}};
constexpr ax::Guid LIBID_PathgroveControl = {
    0x9E384C4F, 0xAAC0, 0x4529, {0x80, 0x5F, 0x09, 0x2B, 0x3F, 0x61, 0x1A, 0xC4}};
constexpr ax::Guid DIID__DPathgrove = {
    0xC5A4AEA2, 0xBB15, 0x4B84, {0x88, 0x68, 0xB7, 0x4B, 0x0A, 0xD0, 0x7A, 0x56}};
constexpr ax::Guid DIID__DPathgroveEvents = {
    0x6CCB7B41, 0x3CD2, 0x412F, {0x8D, 0x89, 0x7E, 0x90, 0xC5, 0x86, 0xDC, 0xE1}};
constexpr ax::Guid CLSID_PathgrovePropPage = {
    0xA054A5E0, 0xE9A0, 0x4619, {0x85, 0x10, 0x5C, 0x00, 0xF9, 0x1B, 0x9D, 0x13}};
constexpr ax::Guid CLSID_GeneralPropPage = {
    0x9C3FB0BB, 0xAE7C, 0x48E7, {0xB3, 0xC4, 0x20, 0x2B, 0x24, 0x1F, 0x0A, 0x99}};
constexpr ax::Guid CLSID_TreeNode = {
    0xFAF91441, 0x63BF, 0x4A98, {0x83, 0x6B, 0xED, 0xE8, 0x43, 0x98, 0x3A, 0x3C}};
constexpr ax::Guid CATID_SafeForScripting = {
    0x7DD95801, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};
constexpr ax::Guid CATID_SafeForInitializing = {
    0x7DD95802, 0x9882, 0x11CF, {0x9F, 0xA9, 0x00, 0xAA, 0x00, 0x6C, 0x42, 0xC4}};
// Interfaces of the site contract and the companion objects.
constexpr ax::Guid IID_IPgvControl = {
    0x18F6071E, 0xBD95, 0x40BA, {0x92, 0x21, 0x59, 0x88, 0x88, 0xA6, 0x05, 0xE9}};
constexpr ax::Guid IID_IPgvSite = {
    0x083E4F96, 0x9BB7, 0x4355, {0xA0, 0xBA, 0xB9, 0x6E, 0x76, 0xAD, 0xDE, 0xBE}};
constexpr ax::Guid IID_IPgvUiLoop = {
    0xEF5A7AB3, 0xACB3, 0x42BE, {0xA8, 0x2C, 0x66, 0x6B, 0xB6, 0xA7, 0x1D, 0x08}};
constexpr ax::Guid IID_IPgvPresenter = {
    0xB72F6994, 0x128C, 0x4234, {0xB8, 0x33, 0xC7, 0x01, 0xD6, 0x48, 0x63, 0xC2}};
constexpr ax::Guid IID_IStringResourceManager = {
    0x1E792981, 0x7ABA, 0x4132, {0xBA, 0x4C, 0xA1, 0xFF, 0x4A, 0xB6, 0xC3, 0x20}};
constexpr ax::Guid IID_ITreeNode = {
    0xAD722D32, 0x01CB, 0x4A31, {0x8E, 0xC4, 0x45, 0xF7, 0xD8, 0x96, 0xA9, 0x5F}};
constexpr ax::Guid IID_IPgvFont = {
    0x4F4C0B63, 0xB99B, 0x4675, {0x83, 0x8D, 0x7A, 0xC3, 0xC5, 0x1D, 0x7F, 0x8A}};
constexpr ax::Guid IID_IShellContextMenu = {
    0xC35ADD21, 0x7956, 0x419A, {0x9D, 0x6E, 0x6A, 0x0E, 0xA8, 0xF9, 0x9F, 0x39}};
constexpr ax::Guid IID_IShellMenuItem = {
    0xC715809B, 0xDDDD, 0x4302, {0x9C, 0x74, 0xEC, 0x3F, 0x64, 0x41, 0xDE, 0xEC}};
constexpr ax::Guid IID_IPGVDataObject = {
    0xC20CAC9B, 0xFEC6, 0x47C6, {0x9D, 0x57, 0xF3, 0xFF, 0x43, 0xDF, 0x1F, 0xDA}};
constexpr ax::Guid IID_IUtilities = {
    0x0849A00E, 0x3011, 0x40D5, {0xB5, 0x49, 0x55, 0xB7, 0xDB, 0x59, 0x07, 0x0A}};
constexpr ax::Guid IID_IPgvPicture = {
    0xDBDE9627, 0x2390, 0x4476, {0x88, 0xDE, 0xA8, 0x8E, 0x33, 0x4E, 0x18, 0x54}};
constexpr ax::Guid IID_IPgvDataObject = {
    0xDC9188FB, 0xBA51, 0x4478, {0x8F, 0x2E, 0x73, 0xCE, 0xF2, 0xB8, 0x11, 0x70}};
constexpr ax::Guid IID_IPgvDragPresenter = {
    0x510079CC, 0x4D5C, 0x443B, {0xA1, 0xC5, 0x42, 0xAA, 0xE1, 0x2C, 0x58, 0x62}};
constexpr ax::Guid IID_IPgvNoticePresenter = {
    0x5F744501, 0xDF0C, 0x4F31, {0x95, 0xCC, 0xFC, 0xF5, 0x7A, 0x66, 0x9C, 0xE5}};
constexpr ax::Guid IID_IPgvPropertyPage = {
    0x6E4D25B9, 0xB966, 0x4AF0, {0x9F, 0x90, 0xA1, 0xCC, 0x9D, 0xAD, 0xA5, 0xCA}};

constexpr const char16_t* kProgIdControl = u"Pathgrove.PathgroveCtrl.2008";
constexpr const char16_t* kProgIdPathgrovePage = u"Pathgrove.PathgrovePropPage.2008";
constexpr const char16_t* kProgIdGeneralPage = u"Pathgrove.CGeneralPropPage.2008";
constexpr uint16_t kVersionMajor = 10;
constexpr uint16_t kVersionMinor = 0;
// Set client site first, always run, activate when visible, inside-out,
// can't link inside, recompose on resize.
constexpr uint32_t kMiscStatus = 0x20991;

// Dispids, generated from the member lists.
enum PgvControlDispId : int32_t { PGV_CONTROL_MEMBERS(PGVC_ENUM) };
enum PgvEventDispId : int32_t { PGV_EVENT_MEMBERS(PGVE_ENUM) };
enum PgvStringDispId : int32_t { PGV_STRING_MEMBERS(PGVS_ENUM) };
enum PgvFontDispId : int32_t { PGV_FONT_MEMBERS(PGVF_ENUM) };
enum PgvNodeDispId : int32_t { PGV_NODE_MEMBERS(PGVN_ENUM) };
enum PgvMenuDispId : int32_t { PGV_MENU_MEMBERS(PGVM_ENUM) };
enum PgvMenuItemDispId : int32_t { PGV_MENUITEM_MEMBERS(PGVI_ENUM) };
enum PgvDataObjectDispId : int32_t { PGV_DATAOBJECT_MEMBERS(PGVD_ENUM) };
enum PgvUtilitiesDispId : int32_t { PGV_UTILITIES_MEMBERS(PGVU_ENUM) };
enum PgvPictureMemberId : int32_t { PGV_PICTURE_MEMBERS(PGVP_ENUM) };

// Ambient properties a site answers.
enum PgvAmbientDispId : int32_t {
    AMBIENT_BACKCOLOR = -701,
    AMBIENT_FONT = -703,
    AMBIENT_FORECOLOR = -704,
    AMBIENT_USERMODE = -709,
    AMBIENT_SCALEUNITS = -716,
};

// Colours: system colours carry the top bit.
constexpr int32_t kColorWindow = static_cast<int32_t>(0x80000005);
constexpr int32_t kColorWindowText = static_cast<int32_t>(0x80000008);
constexpr int32_t kColorButtonFace = static_cast<int32_t>(0x8000000F);
// The tree's "default colour" value for its lines.
constexpr int32_t kColorTreeDefault = static_cast<int32_t>(0xFF000000);

// Key messages and virtual key codes of PreTranslateKey.
enum PgvKeyMessage : uint32_t {
    KM_KEYDOWN = 0x0100,
    KM_KEYUP = 0x0101,
};
enum PgvVirtualKey : uint32_t {
    VK_RETURN = 0x0D,
    VK_ESCAPE = 0x1B,
    VK_SPACE = 0x20,
    VK_END = 0x23,
    VK_HOME = 0x24,
    VK_LEFT = 0x25,
    VK_UP = 0x26,
    VK_RIGHT = 0x27,
    VK_DOWN = 0x28,
    VK_DELETE = 0x2E,
    VK_APPS = 0x5D, // the menu key
    VK_F10 = 0x79,
};

// Window input the host delivers to the control's tree window
// (IPgvControl::TreeInput): mouse messages with the point, key messages
// with the virtual key, characters for the label editor.
enum PgvInputMessage : uint32_t {
    IM_KEYDOWN = KM_KEYDOWN,
    IM_KEYUP = KM_KEYUP,
    IM_CHAR = 0x0102,
    IM_MOUSEMOVE = 0x0200,
    IM_LBUTTONDOWN = 0x0201,
    IM_LBUTTONUP = 0x0202,
    IM_LBUTTONDBLCLK = 0x0203,
    IM_RBUTTONDOWN = 0x0204,
    IM_RBUTTONUP = 0x0205,
};
// Modifier keys held, as the stock events' Shift argument counts them.
enum PgvModifiers : uint32_t {
    MOD_SHIFT = 1,
    MOD_CTRL = 2,
    MOD_ALT = 4,
};
// Mouse buttons, as the stock events' Button argument counts them.
enum PgvButtons : int16_t {
    BTN_LEFT = 1,
    BTN_RIGHT = 2,
    BTN_MIDDLE = 4,
};

// The standard members of a picture object and its types.
enum PgvPictureDispId : int32_t {
    PICT_HANDLE = 0,
    PICT_TYPE = 3,
    PICT_WIDTH = 4, // HIMETRIC
    PICT_HEIGHT = 5,
};
enum PgvPictureType : int16_t {
    PICTYPE_BITMAP = 1,
    PICTYPE_ICON = 3,
};

// Log levels of the lines a control gives its site.
enum PgvLogLevel : int32_t {
    PGV_LOG_CRIT = 0,
    PGV_LOG_ERR = 1,
    PGV_LOG_INFO = 2,
    PGV_LOG_VERB = 3,
};

enum CheckStates : int32_t {
    CS_NOCHECKBOXES = 0,
    CS_UNCHECKED = 1,
    CS_CHECKED = 2,
    CS_CHILDCHECKED = 3,
    CS_SELFANDCHILDCHECKED = 4,
};

enum PGVChildrenCheckState : int32_t {
    PGV_ALLCHECKED = 0,
    PGV_ALLUNCHECKED = 1,
    PGV_SOMECHECKED = 2,
    PGV_NOCHILDREN = 3,
};

enum PGVMenuItemStates : int32_t {
    PGV_MENUDEFAULT = 0,
    PGV_MENUCHECKED = 1,
    PGV_MENUDISABLED = 2,
    PGV_MENUSEPARATOR = 4,
};

// What else a menu entry shown by the presenter is, beside its
// PGVMenuItemStates bits.
constexpr int32_t MEF_DEFAULT = 0x100;  // the default entry (shown bold)
constexpr int32_t MEF_RADIO = 0x200;    // a radio mark instead of a check mark
constexpr int32_t MEF_BREAK = 0x400;    // starts a new column
constexpr int32_t MEF_BARBREAK = 0x800; // starts a new column with a line
constexpr int32_t MEF_SUBMENU = 0x1000; // opens a submenu: its entries follow, one level deeper

enum PGVShellIconTypes : int32_t {
    PGV_SHELLICON_SMALL = 0,      // 16 pixels
    PGV_SHELLICON_LARGE = 1,      // 32 pixels
    PGV_SHELLICON_EXTRALARGE = 2, // 48 pixels
};

// GetStandardSystemIconIndex's icons.
enum PgvStandardIconType : int32_t {
    SIT_DOCUMENT = 0,
    SIT_APPLICATION = 2,
    SIT_FOLDER = 3,
    SIT_FOLDER_OPEN = 4,
};

// Clipboard formats of drag and drop data; "Shell IDList Array" is the
// registered format of item-id lists (a count, the offsets, the parent's
// list, then each item's list relative to it).
enum PgvClipboardFormat : uint32_t {
    CF_TEXT = 1,
    CF_BITMAP = 2,
    CF_HDROP = 15,
    CF_SHELLIDLIST = 0xC0F0,
};
constexpr const char16_t* kShellIdListFormatName = u"Shell IDList Array";

enum PgvDropEffect : uint32_t {
    DROPEFFECT_NONE = 0,
    DROPEFFECT_COPY = 1,
    DROPEFFECT_MOVE = 2,
    DROPEFFECT_LINK = 4,
};

// The key state of a drag: buttons and modifier keys held.
enum PgvKeyState : uint32_t {
    MK_LBUTTON = 0x1,
    MK_RBUTTON = 0x2,
    MK_SHIFT = 0x4,
    MK_CONTROL = 0x8,
    MK_MBUTTON = 0x10,
    MK_ALT = 0x20,
};

enum PGVRelationTypes : int32_t {
    PGV_FIRSTSIBLING = 1,
    PGV_LASTSIBLING = 2,
    PGV_PREVIOUS = 3,
    PGV_NEXT = 4,
    PGV_FIRSTCHILD = 5,
    PGV_LASTCHILD = 6,
};

enum CmdTypes : int32_t {
    CMD_OPEN = 0,
    CMD_EXPLORE = 1,
    CMD_PROPERTIES = 2,
    CMD_CUT = 3,
    CMD_COPY = 4,
    CMD_PASTE = 5,
    CMD_DELETE = 6,
    CMD_CREATESHORTCUT = 7,
    CMD_FIND = 8,
    CMD_PRINT = 9,
    CMD_RENAME = 10,
};

enum PgvBorderStyle : int16_t {
    BS_NONE = 0,
    BS_FLAT = 1,
    BS_SUNKEN = 2,
};

// Pixels and HIMETRIC (0.01 mm) at `dpi` dots per inch.
constexpr int32_t HimetricToPixels(int32_t himetric, int32_t dpi) {
    return static_cast<int32_t>((static_cast<int64_t>(dpi) * himetric + 1270) / 2540);
}
constexpr int32_t PixelsToHimetric(int32_t pixels, int32_t dpi) {
    return static_cast<int32_t>((static_cast<int64_t>(pixels) * 2540 + dpi / 2) / dpi);
}

struct PgvRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Something the host's UI loop runs later: a timer, a posted call or a
// descriptor that became readable.
struct IPgvCallback : ax::IUnknown {
    virtual void Run() = 0;
};

// The host's UI loop on the control's thread.
struct IPgvUiLoop : ax::IUnknown {
    // Milliseconds of the host's monotonic clock (which tests may drive).
    virtual uint64_t NowMs() = 0;
    virtual ax::HRESULT SetTimer(uint32_t delayMs, IPgvCallback* callback, uint32_t* id) = 0;
    virtual ax::HRESULT KillTimer(uint32_t id) = 0;
    virtual ax::HRESULT PostCall(IPgvCallback* callback) = 0;
    virtual ax::HRESULT WatchDescriptor(int fd, IPgvCallback* callback) = 0;
    virtual ax::HRESULT UnwatchDescriptor(int fd) = 0;
};

struct PgvMenuEntry {
    const char16_t* caption;
    int32_t id;
    int32_t state; // PGVMenuItemStates bits and MEF_ flags
    // 0 for the menu's own entries, 1 for the entries of a submenu (which
    // follow the entry that opens it), and so on.
    int32_t level = 0;
    // A picture shown beside the entry, or null; valid during the call.
    ax::IDispatch* bitmap = nullptr;
};

// The host's views for what the control shows outside its window.
struct IPgvPresenter : ax::IUnknown {
    // S_OK with the chosen id, S_FALSE when nothing was chosen.
    virtual ax::HRESULT TrackMenu(const PgvMenuEntry* entries, uint32_t count, int32_t x, int32_t y,
                                  int32_t* chosenId) = 0;
    // S_OK with the chosen folder's path, S_FALSE when cancelled.
    virtual ax::HRESULT ChooseFolder(const char16_t* title, ax::BSTR* path) = 0;
    // S_OK when the user agreed, S_FALSE when not.
    virtual ax::HRESULT Confirm(const char16_t* text, const char16_t* caption) = 0;
};

// Data that a drag or the clipboard carries, in clipboard formats.
struct IPgvDataObject : ax::IUnknown {
    // The data in `format`: bytes as a one-dimensional byte array, a
    // CF_BITMAP picture as an object. DV_E_FORMATETC when not offered.
    virtual ax::HRESULT GetData(uint32_t format, ax::Variant* value) = 0;
    // S_OK when `format` is offered, else S_FALSE.
    virtual ax::HRESULT QueryGetData(uint32_t format) = 0;
    // Offers `value` in `format`; DV_E_FORMATETC when the object takes no
    // data in that format.
    virtual ax::HRESULT SetData(uint32_t format, const ax::Variant* value) = 0;
};

// The host's drag loop, which a presenter may offer besides IPgvPresenter.
struct IPgvDragPresenter : ax::IUnknown {
    // Runs a drag of `data` until it is dropped (S_OK, `*effect` the
    // effect the target chose) or cancelled (S_FALSE, effect 0). Meanwhile
    // the host delivers the drag to the targets under the pointer
    // (IPgvControl::DragEnter and the rest).
    virtual ax::HRESULT DoDragDrop(IPgvDataObject* data, uint32_t allowedEffects, uint32_t* effect) = 0;
};

// Notices that ask nothing, which a presenter may offer besides
// IPgvPresenter: what a command did and what it could not do.
struct IPgvNoticePresenter : ax::IUnknown {
    virtual ax::HRESULT ShowNotice(const char16_t* text, const char16_t* caption) = 0;
};

// The host's side of the control-site contract.
struct IPgvSite : ax::IUnknown {
    // DISP_E_MEMBERNOTFOUND for an ambient property the site does not know.
    virtual ax::HRESULT GetAmbient(ax::DISPID id, ax::Variant* value) = 0;
    virtual int32_t GetDpi() = 0;
    // Container units (as the container's ScaleUnits name them) to HIMETRIC.
    virtual ax::HRESULT ContainerToHimetric(float x, float y, int32_t* hx, int32_t* hy) = 0;
    virtual ax::HRESULT GetUiLoop(IPgvUiLoop** loop) = 0;
    virtual ax::HRESULT GetPresenter(IPgvPresenter** presenter) = 0;
    // A line for the host's log.
    virtual void Log(int32_t level, const char16_t* text) = 0;
};

// The control's side of the contract.
struct IPgvControl : ax::IUnknown {
    // Null detaches the control from its site.
    virtual ax::HRESULT SetClientSite(IPgvSite* site) = 0;
    virtual ax::HRESULT InitNew() = 0;
    virtual ax::HRESULT Load(ax::ISequentialStream* stream) = 0;
    virtual ax::HRESULT Save(ax::ISequentialStream* stream, bool clearDirty) = 0;
    // S_OK when changed since the last load or save, else S_FALSE.
    virtual ax::HRESULT IsDirty() = 0;
    virtual ax::HRESULT LoadBag(ax::IPropertyBag* bag) = 0;
    virtual ax::HRESULT SaveBag(ax::IPropertyBag* bag, bool clearDirty) = 0;
    virtual ax::HRESULT Activate(intptr_t parentWindow, const PgvRect* rect) = 0;
    virtual ax::HRESULT Resize(const PgvRect* rect) = 0;
    virtual ax::HRESULT Deactivate() = 0;
    virtual ax::HRESULT Close() = 0;
    // S_OK when the control consumed the key message, S_FALSE when the host
    // should go on with it.
    virtual ax::HRESULT PreTranslateKey(uint32_t message, uint32_t virtualKey) = 0;
    virtual ax::HRESULT GetMiscStatus(uint32_t* status) = 0;
    // The property-page classes, in the order a designer shows them.
    virtual ax::HRESULT GetPages(ax::Guid* pages, uint32_t capacity, uint32_t* count) = 0;
    // The extent in HIMETRIC.
    virtual ax::HRESULT GetExtent(int32_t* cx, int32_t* cy) = 0;
    virtual ax::HRESULT SetExtent(int32_t cx, int32_t cy) = 0;
    // Drawing into a target without a window of the control's own.
    virtual ax::HRESULT Draw(intptr_t target, const PgvRect* bounds) = 0;
    // Input that reached the tree window (PgvInputMessage; `code` is the
    // virtual key or character, or for IM_MOUSEMOVE the PgvButtons held,
    // `modifiers` PgvModifiers, x and y the point in pixels for mouse
    // messages). A move with a button held away from a press on a node
    // starts a drag. E_UNEXPECTED without a window.
    virtual ax::HRESULT TreeInput(uint32_t message, uint32_t code, uint32_t modifiers, int32_t x,
                                  int32_t y) = 0;
    // The tip the tree shows for the item at the point; S_FALSE (and no
    // text) when there is none.
    virtual ax::HRESULT GetInfoTip(int32_t x, int32_t y, ax::BSTR* tip) = 0;
    // A drag over the tree window: x and y in pixels of the window,
    // `keyState` PgvKeyState bits; `*effect` receives the effect a drop
    // there would have (PgvDropEffect).
    virtual ax::HRESULT DragEnter(IPgvDataObject* data, uint32_t keyState, int32_t x, int32_t y,
                                  uint32_t* effect) = 0;
    virtual ax::HRESULT DragOver(uint32_t keyState, int32_t x, int32_t y, uint32_t* effect) = 0;
    virtual ax::HRESULT DragLeave() = 0;
    virtual ax::HRESULT Drop(IPgvDataObject* data, uint32_t keyState, int32_t x, int32_t y,
                             uint32_t* effect) = 0;
    // While a menu of the control is up (IPgvPresenter::TrackMenu), the
    // entry with `id` became the highlighted one.
    virtual ax::HRESULT MenuSelect(int32_t id) = 0;
};

// One field of a property page: a check box, an integer field or a list
// exchanging one property of the control, or a button.
enum PgvPageFieldKind : int32_t {
    PFK_CHECKBOX = 0,
    PFK_INTEGER = 1,
    PFK_LIST = 2, // the value is the index of the chosen entry
    PFK_BUTTON = 3,
};
// The control id of the button "Set Root Folder..".
constexpr int32_t kSetRootFolderButton = 250;

struct PgvPageField {
    int32_t controlId;
    int32_t kind; // PgvPageFieldKind
    const char16_t* label;
    const char16_t* property;       // null for a button
    const char16_t* const* choices; // a list's entries, else null
    uint32_t choiceCount;
};

// A property page over the control's dispatch interface (the page classes
// CLSID_GeneralPropPage and CLSID_PathgrovePropPage come from
// DllGetClassObject). Texts the page gives stay valid as long as it.
struct IPgvPropertyPage : ax::IUnknown {
    virtual ax::HRESULT GetPageInfo(ax::BSTR* title, ax::BSTR* caption, int32_t* dialogId) = 0;
    // The controls being edited (their IDispatch); the fields show the
    // first one's values. No objects detaches the page.
    virtual ax::HRESULT SetObjects(uint32_t count, ax::IUnknown* const* objects) = 0;
    virtual ax::HRESULT GetFieldCount(uint32_t* count) = 0;
    virtual ax::HRESULT GetField(uint32_t index, PgvPageField* field) = 0;
    // What a field shows: the edited value, else its property's (BOOL or I4).
    virtual ax::HRESULT GetValue(int32_t controlId, ax::Variant* value) = 0;
    // The user changed a field; the change is written by Apply.
    virtual ax::HRESULT SetValue(int32_t controlId, const ax::Variant* value) = 0;
    // S_OK when a field was changed since the last Apply, else S_FALSE.
    virtual ax::HRESULT IsPageDirty() = 0;
    // Writes the changed fields, and only those, to every object.
    virtual ax::HRESULT Apply() = 0;
    virtual ax::HRESULT Click(int32_t controlId) = 0;
};

// Dispatch tables of the interfaces, for hosts that implement event sinks
// and for the control itself.
PGV_DEFINE_TABLE(control_members, PGV_CONTROL_MEMBERS)
PGV_DEFINE_TABLE(event_members, PGV_EVENT_MEMBERS)
PGV_DEFINE_TABLE(string_members, PGV_STRING_MEMBERS)
PGV_DEFINE_TABLE(font_members, PGV_FONT_MEMBERS)
PGV_DEFINE_TABLE(node_members, PGV_NODE_MEMBERS)
PGV_DEFINE_TABLE(menu_members, PGV_MENU_MEMBERS)
PGV_DEFINE_TABLE(menuitem_members, PGV_MENUITEM_MEMBERS)
PGV_DEFINE_TABLE(dataobject_members, PGV_DATAOBJECT_MEMBERS)
PGV_DEFINE_TABLE(utilities_members, PGV_UTILITIES_MEMBERS)
PGV_DEFINE_TABLE(picture_members, PGV_PICTURE_MEMBERS)

} // namespace pgv
