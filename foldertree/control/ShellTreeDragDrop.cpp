// Drag and drop on the tree window: drags that start from a node, and
// drags over the tree whose drop goes to the folder under the pointer.
// Only a drag that started in this tree is accepted (other drags get no
// effect); the host watches and steers both through the drag events.
#include "foldertree/automation/Utf16.h"
#include "foldertree/control/ShellTree.h"
#include "foldertree/control/TreeCallback.h"
#include "foldertree/dragdrop/DropTarget.h"
#include "foldertree/shell/FileOperations.h"

#include <climits>

namespace pgv {
namespace {

constexpr uint32_t kAllEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
constexpr uint32_t kScrollIntervalMs = 75;
constexpr uint32_t kHoverExpandMs = 2000;
// The band along each edge where a drag scrolls.
constexpr int32_t kScrollBand = 10;
constexpr int32_t kLeftButton = 1;
constexpr int32_t kRightButton = 2;
// The drop menu of a drag with the right button; the ids are the effects.
constexpr int32_t kCancelDrop = 0x100;
// No pointer position known yet: nothing to scroll.
constexpr int32_t kNoPoint = INT32_MIN;

int32_t ButtonsOf(uint32_t keyState) {
    return ((keyState & MK_LBUTTON) ? 1 : 0) | ((keyState & MK_RBUTTON) ? 2 : 0) |
           ((keyState & MK_MBUTTON) ? 4 : 0);
}

int32_t ShiftOf(uint32_t keyState) {
    return ((keyState & MK_SHIFT) ? 1 : 0) | ((keyState & MK_CONTROL) ? 2 : 0);
}

} // namespace

void ShellTree::OnBeginDrag(TreeHandle item, bool rightButton) {
    const ItemData* data = Data(item);
    if (!m_props.allowDragDrop || !data || m_dragging)
        return;
    uint32_t effects = kAllEffects;
    ax::ComPtr<IPgvDataObject> items;
    if (data->kind == NK_SHELL) {
        effects &= m_shell.Attributes(data->item, SFGAO_CANCOPY | SFGAO_CANMOVE | SFGAO_CANLINK);
        items = ax::ComPtr<IPgvDataObject>(ItemsDataObject(m_shell, {data->item}).Get());
    }
    auto source = ax::ComPtr<DragSourceData>::Attach(new DragSourceData(items));
    const int32_t button = rightButton ? kRightButton : kLeftButton;
    m_dragConsumedUp = true;
    if (m_events.FireStartDrag(source.Get(), item, &effects, button) || !IsCreated())
        return;
    ax::ComPtr<ax::IUnknown> hold(m_events.Owner());
    m_dragEffects = effects & kAllEffects;
    m_dragButton = button;
    m_dragging = true;
    m_dragX = m_dragY = kNoPoint;
    StartDragTimer(&m_scrollTimer, kScrollIntervalMs, m_scrollCallback.Get());
    uint32_t effect = DROPEFFECT_NONE;
    m_events.RunDragLoop(source.Get(), m_dragEffects, &effect);
    EndDrag();
}

uint32_t ShellTree::DragEnter(IPgvDataObject* data, uint32_t keyState) {
    m_hoverItem = 0;
    m_dragX = m_dragY = kNoPoint;
    m_dropData = ax::ComPtr<IPgvDataObject>(data);
    if (!m_props.allowDragDrop)
        return DROPEFFECT_NONE;
    if (!m_dragging)
        m_dragButton = (keyState & MK_RBUTTON) ? kRightButton : kLeftButton;
    uint32_t effect = m_dragEffects;
    m_events.FireDragOver(data, &effect, 0, 0, 0, 0, 0, 0);
    StartDragTimer(&m_scrollTimer, kScrollIntervalMs, m_scrollCallback.Get());
    return m_dragEffects;
}

uint32_t ShellTree::DragOver(uint32_t keyState, int32_t x, int32_t y) {
    m_dragX = x;
    m_dragY = y;
    uint32_t flags = 0;
    TreeHandle item = m_view.HitTest(x, y, &flags);
    if (item != m_hoverItem) {
        m_hoverItem = item;
        StartDragTimer(&m_hoverTimer, kHoverExpandMs, m_hoverCallback.Get());
    }
    SetDropHilite(item);
    if (!item)
        return DROPEFFECT_NONE;
    std::string folder = DropFolderOf(item);
    uint32_t effect = folder.empty() ? DROPEFFECT_NONE
                                     : DropEffectFor(DraggedPaths(m_shell, m_dropData.Get()), folder,
                                                     keyState, m_dragEffects);
    m_events.FireDragOver(m_dropData.Get(), &effect, ButtonsOf(keyState), ShiftOf(keyState), x, y, 0, item);
    return effect & m_dragEffects;
}

void ShellTree::DragLeave() {
    StopDragTimer(&m_hoverTimer);
    StopDragTimer(&m_scrollTimer);
    SetDropHilite(0);
    if (!m_dragging) {
        m_dragEffects = DROPEFFECT_NONE;
        m_dropData.Reset();
    }
    uint32_t effect = DROPEFFECT_NONE;
    m_events.FireDragOver(nullptr, &effect, 0, 0, 0, 0, 1, 0);
}

uint32_t ShellTree::Drop(IPgvDataObject* data, uint32_t keyState, int32_t x, int32_t y) {
    StopDragTimer(&m_hoverTimer);
    StopDragTimer(&m_scrollTimer);
    const uint32_t allowed = m_dragEffects;
    m_dragEffects = DROPEFFECT_NONE;
    ax::ComPtr<IPgvDataObject> dropped(data ? data : m_dropData.Get());
    uint32_t flags = 0;
    TreeHandle item = m_view.HitTest(x, y, &flags);
    std::string folder = item ? DropFolderOf(item) : std::string();
    keyState |= m_dragButton == kRightButton ? MK_RBUTTON : MK_LBUTTON;
    const std::vector<std::string> sources = DraggedPaths(m_shell, dropped.Get());
    uint32_t effect = folder.empty() ? DROPEFFECT_NONE : DropEffectFor(sources, folder, keyState, allowed);
    bool shellDrop = m_events.FireDragDrop(dropped.Get(), effect, ButtonsOf(keyState), ShiftOf(keyState),
                                           static_cast<float>(x), static_cast<float>(y), item);
    // With the right button the shell's drop asks what to do.
    if (shellDrop && effect != DROPEFFECT_NONE && m_dragButton == kRightButton && IsCreated()) {
        std::vector<PgvMenuEntry> menu = {
            {u"&Copy Here", DROPEFFECT_COPY, (allowed & DROPEFFECT_COPY) ? 0 : PGV_MENUDISABLED},
            {u"&Move Here", DROPEFFECT_MOVE, (allowed & DROPEFFECT_MOVE) ? 0 : PGV_MENUDISABLED},
            {u"Create &Link Here", DROPEFFECT_LINK, (allowed & DROPEFFECT_LINK) ? 0 : PGV_MENUDISABLED},
            {u"", 0, PGV_MENUSEPARATOR},
            {u"Cancel", kCancelDrop, 0},
        };
        for (PgvMenuEntry& entry : menu) {
            if (entry.id == static_cast<int32_t>(effect))
                entry.state |= MEF_DEFAULT;
        }
        int32_t chosen = 0;
        effect = m_events.TrackMenu(menu, x, y, &chosen) && (static_cast<uint32_t>(chosen) & allowed)
                     ? static_cast<uint32_t>(chosen)
                     : DROPEFFECT_NONE;
    }
    uint32_t done = DROPEFFECT_NONE;
    if (shellDrop && effect != DROPEFFECT_NONE && IsCreated()) {
        std::vector<ItemIds> before;
        for (const std::string& source : sources) {
            ItemIds ids;
            if (m_shell.Parse(source, PM_EXISTING, &ids))
                before.push_back(std::move(ids));
        }
        std::vector<std::string> created, removed;
        std::vector<LeftBehind> leftBehind;
        if (int error = PerformDrop(sources, folder, effect, &created, &removed, &leftBehind))
            m_events.Log(PGV_LOG_ERR, "Cannot drop into \"" + folder + "\": " + FileErrorText(error));
        else
            done = effect;
        for (const LeftBehind& left : leftBehind)
            WarnLeftBehind(left, false);
        std::vector<ItemIds> gone;
        for (ItemIds& ids : before) {
            if (!m_shell.Exists(ids))
                gone.push_back(std::move(ids));
        }
        PathsChanged(created, gone);
    }
    SetDropHilite(0);
    if (!m_dragging) {
        m_dragButton = 0;
        m_dropData.Reset();
    }
    return done;
}

std::string ShellTree::DropFolderOf(TreeHandle item) const {
    const ItemData* data = Data(item);
    std::string path;
    if (!data || data->kind == NK_CUSTOM ||
        (m_shell.Attributes(data->item, SFGAO_FOLDER | SFGAO_FILESYSTEM) !=
         (SFGAO_FOLDER | SFGAO_FILESYSTEM)) ||
        !m_shell.PathOf(data->item, &path))
        return std::string();
    return path;
}

void ShellTree::SetDropHilite(TreeHandle item) {
    if (m_dropHilite == item)
        return;
    m_view.SetState(m_dropHilite, 0, TVIS_DROPHILITED);
    m_dropHilite = item;
    m_view.SetState(item, TVIS_DROPHILITED, TVIS_DROPHILITED);
}

void ShellTree::StartDragTimer(uint32_t* timer, uint32_t delayMs, TreeCallback* callback) {
    StopDragTimer(timer);
    if (m_loop && callback && ax::Failed(m_loop->SetTimer(delayMs, callback, timer)))
        *timer = 0;
}

void ShellTree::StopDragTimer(uint32_t* timer) {
    if (*timer && m_loop)
        m_loop->KillTimer(*timer);
    *timer = 0;
}

void ShellTree::OnScrollTimer() {
    m_scrollTimer = 0;
    if (m_dragX == kNoPoint) {
        StartDragTimer(&m_scrollTimer, kScrollIntervalMs, m_scrollCallback.Get());
        return;
    }
    if (m_dragY < kScrollBand)
        m_view.ScrollLines(-1);
    else if (m_dragY >= m_view.ClientHeight() - kScrollBand)
        m_view.ScrollLines(1);
    if (m_dragX < kScrollBand)
        m_view.ScrollColumns(-1);
    else if (m_dragX >= m_view.ClientWidth() - kScrollBand)
        m_view.ScrollColumns(1);
    StartDragTimer(&m_scrollTimer, kScrollIntervalMs, m_scrollCallback.Get());
}

void ShellTree::OnHoverTimer() {
    m_hoverTimer = 0;
    if (m_view.Exists(m_hoverItem) && !m_view.State(m_hoverItem, TVIS_EXPANDED))
        m_view.Expand(m_hoverItem, TVE_EXPAND);
}

void ShellTree::EndDrag() {
    StopDragTimer(&m_hoverTimer);
    StopDragTimer(&m_scrollTimer);
    SetDropHilite(0);
    m_dragging = false;
    m_dragEffects = DROPEFFECT_NONE;
    m_dragButton = 0;
    m_hoverItem = 0;
    m_dropData.Reset();
}

} // namespace pgv
