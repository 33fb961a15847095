// A tree-view control without a screen: ordered items with their state
// bits, images and expand buttons; expansion, selection, deletion and
// label editing with the notifications a tree view sends; a fixed geometry
// for hit tests and visibility; the default handling of keys and clicks.
//
// Item handles are never reused (not even by another tree), so a handle
// kept by a host after its item went simply names nothing: every call
// takes stale handles and answers "none". Listeners may change the tree
// from inside a notification; the tree re-checks its items afterwards.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

namespace pgv {

using TreeHandle = uint64_t; // 0: none, or the tree's root level

enum TreeItemState : uint32_t {
    TVIS_SELECTED = 0x2,
    TVIS_CUT = 0x4,
    TVIS_DROPHILITED = 0x8,
    TVIS_BOLD = 0x10,
    TVIS_EXPANDED = 0x20,
    TVIS_EXPANDEDONCE = 0x40,
    TVIS_OVERLAYMASK = 0xF00,
    TVIS_STATEIMAGEMASK = 0xF000,
};
constexpr uint32_t kOverlayShift = 8;
constexpr uint32_t kStateImageShift = 12;

enum TreeExpandAction : uint32_t {
    TVE_COLLAPSE = 1,
    TVE_EXPAND = 2,
    TVE_TOGGLE = 3,
};

enum TreeSelectCause : uint32_t {
    TVC_UNKNOWN = 0,
    TVC_BYMOUSE = 1,
    TVC_BYKEYBOARD = 2,
};

enum TreeHitFlags : uint32_t {
    TVHT_NOWHERE = 0x1,
    TVHT_ONITEMICON = 0x2,
    TVHT_ONITEMLABEL = 0x4,
    TVHT_ONITEMINDENT = 0x8,
    TVHT_ONITEMBUTTON = 0x10,
    TVHT_ONITEMRIGHT = 0x20,
    TVHT_ONITEMSTATEICON = 0x40,
    TVHT_ABOVE = 0x100,
    TVHT_BELOW = 0x200,
    TVHT_TORIGHT = 0x400,
    TVHT_TOLEFT = 0x800,
};
constexpr uint32_t TVHT_ONITEM = TVHT_ONITEMICON | TVHT_ONITEMLABEL | TVHT_ONITEMSTATEICON;

// Virtual key codes the tree handles itself.
enum TreeKey : uint32_t {
    TK_BACK = 0x08,
    TK_PRIOR = 0x21,
    TK_NEXT = 0x22,
    TK_END = 0x23,
    TK_HOME = 0x24,
    TK_LEFT = 0x25,
    TK_UP = 0x26,
    TK_RIGHT = 0x27,
    TK_DOWN = 0x28,
    TK_ADD = 0x6B,
    TK_SUBTRACT = 0x6D,
};

enum class TreePlace {
    FIRST,
    LAST,
    AFTER, // after a given sibling
};

struct TreeItemInit {
    std::u16string text;
    int32_t image = 0;
    int32_t selectedImage = 0;
    uint32_t state = 0;
    bool hasChildren = false; // shows an expand button before any child exists
    uint64_t param = 0;
};

class TreeViewListener {
  public:
    // False refuses the change.
    virtual bool OnItemExpanding(TreeHandle item, uint32_t action) = 0;
    virtual void OnItemExpanded(TreeHandle item, uint32_t action) = 0;
    virtual bool OnSelChanging(TreeHandle from, TreeHandle to, uint32_t cause) = 0;
    virtual void OnSelChanged(TreeHandle from, TreeHandle to, uint32_t cause) = 0;
    // The item is still in the tree, its children already gone.
    virtual void OnDeleteItem(TreeHandle item, uint64_t param) = 0;
    // False refuses editing; `*text` is what the editor starts with.
    virtual bool OnBeginLabelEdit(TreeHandle item, std::u16string* text) = 0;
    // `text` is null when editing was abandoned; true lets the tree take
    // the text as the label.
    virtual bool OnEndLabelEdit(TreeHandle item, const std::u16string* text) = 0;
    virtual void OnGetInfoTip(TreeHandle item, std::u16string* tip) = 0;
    // A button was pressed on the item and the pointer moved away with it
    // held: a drag begins.
    virtual void OnBeginDrag(TreeHandle, bool /*rightButton*/) {}

  protected:
    ~TreeViewListener() = default;
};

// The side of the square around a press that the pointer leaves to start a
// drag.
constexpr int32_t kDragDistance = 4;

struct TreeGeometry {
    int32_t itemHeight = 18;
    int32_t iconSize = 16;
    int32_t indent = 19;
    int32_t stateImageWidth = 17;
    int32_t charWidth = 7;
};

class TreeView {
  public:
    explicit TreeView(TreeViewListener* listener);
    ~TreeView();
    TreeView(const TreeView&) = delete;
    TreeView& operator=(const TreeView&) = delete;

    // Items. Insert returns 0 when the parent (0 for the root level) is
    // gone; `after` outside the parent's children inserts last.
    TreeHandle Insert(TreeHandle parent, TreePlace place, TreeHandle after, const TreeItemInit& init);
    bool Delete(TreeHandle item);
    void DeleteAll();
    bool Exists(TreeHandle item) const;
    size_t Count() const { return m_items.size(); }

    TreeHandle Parent(TreeHandle item) const;
    // The children of an item, or the root items for 0; empty for a stale handle.
    const std::vector<TreeHandle>& Children(TreeHandle item) const;
    TreeHandle FirstChild(TreeHandle item) const;
    TreeHandle NextSibling(TreeHandle item) const;
    TreeHandle PreviousSibling(TreeHandle item) const;
    TreeHandle FirstRoot() const { return m_roots.empty() ? 0 : m_roots.front(); }
    TreeHandle Selected() const { return m_selected; }
    // The next item in pre-order over the whole tree, or 0.
    TreeHandle NextPreOrder(TreeHandle item) const;
    int32_t Level(TreeHandle item) const;
    bool IsAncestor(TreeHandle ancestor, TreeHandle item) const;

    std::u16string Text(TreeHandle item) const;
    void SetText(TreeHandle item, std::u16string text);
    int32_t Image(TreeHandle item) const;
    int32_t SelectedImage(TreeHandle item) const;
    void SetImages(TreeHandle item, int32_t image, int32_t selectedImage);
    uint32_t State(TreeHandle item, uint32_t mask) const;
    void SetState(TreeHandle item, uint32_t value, uint32_t mask);
    bool HasChildrenFlag(TreeHandle item) const;
    void SetHasChildren(TreeHandle item, bool hasChildren);
    // Whether the item shows an expand button: the flag or child items.
    bool HasButton(TreeHandle item) const;
    uint64_t Param(TreeHandle item) const;

    // Expansion always notifies (also for an item expanded before); an item
    // with neither children nor the flag does not expand.
    bool Expand(TreeHandle item, uint32_t action);
    // Selects `item` (0 clears the selection), notifying unless it already
    // is the selection; the item is made visible.
    bool Select(TreeHandle item, uint32_t cause);
    // Orders the children of `parent` (stable).
    void SortChildren(TreeHandle parent, const std::function<bool(TreeHandle, TreeHandle)>& less);

    // In-place label editing.
    bool BeginLabelEdit(TreeHandle item);
    // Ends editing, keeping (cancel false) or abandoning the typed text.
    bool EndLabelEdit(bool cancel);
    bool IsEditing() const { return m_editItem != 0; }
    TreeHandle EditItem() const { return m_editItem; }
    const std::u16string& EditText() const { return m_editText; }
    // A character typed into the editor (backspace removes one); the first
    // replaces the text, which starts selected.
    void TypeIntoEditor(char16_t c);

    std::u16string InfoTip(TreeHandle item);

    // Style, colours and geometry.
    uint32_t Style() const { return m_style; }
    void SetStyle(uint32_t style) { m_style = style; }
    TreeGeometry& Geometry() { return m_geometry; }
    const TreeGeometry& Geometry() const { return m_geometry; }
    void SetClientSize(int32_t width, int32_t height);
    int32_t ClientWidth() const { return m_clientWidth; }
    int32_t ClientHeight() const { return m_clientHeight; }
    void SetRedraw(bool redraw) { m_redraw = redraw; }
    bool Redraw() const { return m_redraw; }
    void Invalidate() { ++m_invalidations; }
    uint32_t Invalidations() const { return m_invalidations; }

    // Rows: the items not inside a collapsed branch, in display order.
    TreeHandle FirstVisible() const;
    TreeHandle NextVisible(TreeHandle item) const;
    TreeHandle PreviousVisible(TreeHandle item) const;
    int32_t VisibleCount() const;
    // Whether any part of the item's row lies in the client area.
    bool IsRowVisible(TreeHandle item) const;
    // The left end of the item's label, halfway down its row; false when
    // the item is not on a row.
    bool LabelPoint(TreeHandle item, int32_t* x, int32_t* y) const;
    // Scrolls by rows (negative up) or by columns of one character width
    // (negative left), as far as there is something to show.
    void ScrollLines(int32_t rows);
    void ScrollColumns(int32_t columns);
    int32_t TopRow() const { return m_topRow; }
    int32_t ScrollX() const { return m_scrollX; }
    // Expands the item's ancestors and scrolls its row into view.
    void EnsureVisible(TreeHandle item);
    TreeHandle HitTest(int32_t x, int32_t y, uint32_t* flags) const;

    // Default handling of input that reached the tree.
    bool KeyDown(uint32_t key);
    void LeftButtonDown(int32_t x, int32_t y);
    void RightButtonDown(int32_t x, int32_t y);
    void ButtonUp() { m_pressItem = 0; }
    // The pointer moved with `buttons` (1 left, 2 right) held: a drag of
    // the pressed item begins once it leaves the square of kDragDistance
    // pixels around the press.
    void MouseMove(int32_t x, int32_t y, uint32_t buttons);
    void LeftDoubleClick(int32_t x, int32_t y);

  private:
    struct Item {
        TreeHandle parent = 0;
        std::vector<TreeHandle> children;
        std::u16string text;
        int32_t image = 0;
        int32_t selectedImage = 0;
        uint32_t state = 0;
        bool hasChildren = false;
        uint64_t param = 0;
        bool deleting = false;
    };

    Item* Find(TreeHandle item);
    const Item* Find(TreeHandle item) const;
    std::vector<TreeHandle>& SiblingsOf(TreeHandle parent);
    void Unlink(TreeHandle item);
    int32_t RowOf(TreeHandle item) const;
    // The item on the row after `item`'s, assuming `item` is on a row.
    TreeHandle NextRow(TreeHandle item) const;
    TreeHandle ItemAtRow(int32_t row) const;
    TreeHandle LastVisibleIn(TreeHandle item) const;
    int32_t ItemLeft(TreeHandle item) const;
    // Where the item's label starts, in pixels of the whole row.
    int32_t LabelLeft(TreeHandle item) const;
    int32_t WidestRow() const;
    void Press(int32_t x, int32_t y, bool right);
    void ScrollTo(TreeHandle item);
    bool SelectByKey(TreeHandle item);

    TreeViewListener* m_listener;
    std::unordered_map<TreeHandle, Item> m_items;
    std::vector<TreeHandle> m_roots;
    TreeHandle m_selected = 0;
    TreeHandle m_editItem = 0;
    std::u16string m_editText;
    bool m_editTextSelected = false;
    uint32_t m_style = 0;
    TreeGeometry m_geometry;
    int32_t m_clientWidth = 100;
    int32_t m_clientHeight = 100;
    int32_t m_topRow = 0;
    int32_t m_scrollX = 0;
    TreeHandle m_pressItem = 0;
    bool m_pressRight = false;
    int32_t m_pressX = 0;
    int32_t m_pressY = 0;
    bool m_redraw = true;
    uint32_t m_invalidations = 0;
};

} // namespace pgv
