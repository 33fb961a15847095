// The context menu of a node: the shell's verbs from id 10 on, then the
// host's custom items, shown through the site's presenter after the host
// had its say; what was chosen runs once the menu is gone.
#include "foldertree/automation/Guard.h"
#include "foldertree/control/PathgroveCtrl.h"
#include "foldertree/menu/ShellContextMenu.h"

namespace pgv {
namespace {

constexpr int32_t kFirstShellCommand = 10;

uint32_t CustomState(int32_t state) {
    return ((state & PGV_MENUCHECKED) ? MIS_CHECKED : 0u) | ((state & PGV_MENUDISABLED) ? MIS_DISABLED : 0u);
}

} // namespace

ax::ComPtr<IPgvPresenter> CPathgroveCtrl::Presenter() {
    ax::ComPtr<IPgvPresenter> presenter;
    if (!m_site || ax::Failed(m_site->GetPresenter(presenter.Out())))
        presenter.Reset();
    return presenter;
}

bool CPathgroveCtrl::Confirm(const std::u16string& text, const std::u16string& caption) {
    ax::ComPtr<IPgvPresenter> presenter = Presenter();
    return presenter && presenter->Confirm(text.c_str(), caption.c_str()) == ax::S_OK;
}

void CPathgroveCtrl::Notify(const std::u16string& text, const std::u16string& caption) {
    ax::ComPtr<IPgvPresenter> presenter = Presenter();
    ax::ComPtr<IPgvNoticePresenter> notices;
    if (presenter && ax::Succeeded(presenter->QueryInterface(IID_IPgvNoticePresenter, notices.OutVoid())) &&
        notices)
        notices->ShowNotice(text.c_str(), caption.c_str());
}

bool CPathgroveCtrl::TrackMenu(std::vector<PgvMenuEntry>& entries, int32_t x, int32_t y, int32_t* chosen) {
    ax::ComPtr<IPgvPresenter> presenter = Presenter();
    *chosen = 0;
    return presenter && presenter->TrackMenu(entries.data(), static_cast<uint32_t>(entries.size()), x, y,
                                             chosen) == ax::S_OK;
}

void CPathgroveCtrl::ShowContextMenu(TreeHandle item, int32_t x, int32_t y, bool extended) {
    const ItemData* data = m_tree->Data(item);
    if (!data || m_shownMenu)
        return;
    ax::ComPtr<ax::IDispatch> hold(this);
    uint32_t flags =
        CMF_EXPLORE | (extended ? CMF_EXTENDEDVERBS : 0u) | (m_props.allowNodeRenaming ? CMF_CANRENAME : 0u);
    auto shown = std::make_unique<ShownMenu>();
    shown->verbs = m_tree->VerbsFor(item, flags);
    // An item of the namespace without commands has no menu.
    if (data->kind != NK_CUSTOM && shown->verbs.empty())
        return;
    auto menu = std::make_shared<PopupMenu>();
    int32_t id = kFirstShellCommand;
    for (const ShellVerb& verb : shown->verbs) {
        MenuItem entry;
        if (verb.verb.empty()) {
            entry.type = MIT_SEPARATOR;
        } else {
            entry.id = id++;
            entry.caption = verb.caption;
            entry.state = verb.disabled ? MIS_DISABLED : 0u;
        }
        shown->verbIds.push_back(entry.id);
        menu->Insert(menu->Count(), std::move(entry));
    }
    shown->firstCustom = id;
    FireNode(PGVE_ONCUSTOMCONTEXTMENUITEMADD, item);
    if (!m_tree->View().Exists(item))
        return;
    for (size_t i = 0; i < m_menuCaptions.size(); ++i) {
        MenuItem entry;
        entry.id = id++;
        entry.caption = m_menuCaptions[i];
        entry.state = CustomState(m_menuStates[i]);
        entry.type = (m_menuStates[i] & PGV_MENUSEPARATOR) ? MIT_SEPARATOR : 0u;
        menu->Insert(menu->Count(), std::move(entry));
    }
    auto ids = std::make_shared<MenuIds>();
    ids->next = id;
    auto menuObject =
        ax::ComPtr<CShellContextMenu>::Attach(new CShellContextMenu(menu, nullptr, std::move(ids)));
    ax::VARIANT_BOOL cancel = ax::VARIANT_FALSE;
    m_cancelEvent = ax::VARIANT_FALSE;
    ax::Variant args[] = {ax::MakeDispatch(menuObject.Get()), ax::MakeByRef(ax::VT_BOOL, &cancel)};
    {
        ax::VariantsGuard clear(args, 2);
        m_events.Fire(PGVE_ONCONTEXTMENUPOPUP, args, 2);
    }
    int32_t chosen = 0;
    bool picked = false;
    if (!TakeCancelEvent() && cancel == ax::VARIANT_FALSE && m_tree->View().Exists(item)) {
        std::vector<PgvMenuEntry> entries;
        menu->Flatten(&entries);
        m_shownMenu = std::move(shown);
        picked = TrackMenu(entries, x, y, &chosen);
        shown = std::move(m_shownMenu);
    }
    const MenuItem* entry = picked ? menu->FindId(chosen) : nullptr;
    std::u16string caption = entry ? entry->caption : std::u16string();
    bool enabled = entry && !(entry->state & MIS_DISABLED);
    // The menu is torn down before the choice runs.
    menuObject.Reset();
    menu->Destroy();
    if (!enabled || !m_tree->View().Exists(item))
        return;
    if (chosen >= shown->firstCustom) {
        ax::Variant id[] = {ax::MakeI4(chosen)};
        FireWithNode(PGVE_ONCUSTOMCONTEXTMENUITEMSELECT, item, id, 1);
        ax::Variant select2[] = {ax::MakeBstr(caption), ax::MakeI4(chosen)};
        ax::VariantsGuard clear(select2, 2);
        FireWithNode(PGVE_ONCUSTOMCONTEXTMENUITEMSELECT2, item, select2, 2);
        return;
    }
    for (size_t i = 0; i < shown->verbIds.size(); ++i) {
        if (shown->verbIds[i] == chosen && !shown->verbs[i].verb.empty()) {
            m_tree->RunShellCommand(item, shown->verbs[i].verb);
            return;
        }
    }
}

ax::HRESULT CPathgroveCtrl::MenuSelect(int32_t id) {
    return ax::CatchAll([&] {
        if (!m_shownMenu)
            return ax::S_FALSE;
        ax::ComPtr<ax::IDispatch> hold(this);
        // Hints are the shell's, for its own entries only.
        const ShownMenu& shown = *m_shownMenu;
        for (size_t i = 0; i < shown.verbIds.size() && id >= kFirstShellCommand && id < shown.firstCustom;
             ++i) {
            if (shown.verbIds[i] == id) {
                ax::Variant hint[] = {ax::MakeBstr(shown.verbs[i].help)};
                ax::VariantsGuard clear(hint, 1);
                m_events.Fire(PGVE_ONCONTEXTMENUHINT, hint, 1);
                return ax::S_OK;
            }
        }
        return ax::S_FALSE;
    });
}

} // namespace pgv
