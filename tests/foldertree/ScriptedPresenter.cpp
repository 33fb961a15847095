#include "tests/foldertree/ScriptedPresenter.h"

namespace pgvtest {

ax::HRESULT ScriptedPresenter::QueryInterface(const ax::Guid& iid, void** out) {
    if (!out)
        return ax::E_POINTER;
    *out = nullptr;
    if (iid == ax::IID_IUnknown || iid == pgv::IID_IPgvPresenter)
        *out = static_cast<pgv::IPgvPresenter*>(this);
    else if (iid == pgv::IID_IPgvDragPresenter)
        *out = static_cast<pgv::IPgvDragPresenter*>(this);
    else if (iid == pgv::IID_IPgvNoticePresenter)
        *out = static_cast<pgv::IPgvNoticePresenter*>(this);
    else
        return ax::E_NOINTERFACE;
    AddRef();
    return ax::S_OK;
}

ax::HRESULT ScriptedPresenter::TrackMenu(const pgv::PgvMenuEntry* entries, uint32_t count, int32_t x,
                                         int32_t y, int32_t* chosenId) {
    std::vector<Entry> menu;
    for (uint32_t i = 0; i < count; ++i)
        menu.push_back({entries[i].caption, entries[i].id, entries[i].state, entries[i].level});
    menus.push_back(menu);
    menuPoints.push_back({x, y});
    *chosenId = chooseFromMenu ? chooseFromMenu(menu) : 0;
    return *chosenId ? ax::S_OK : ax::S_FALSE;
}

ax::HRESULT ScriptedPresenter::ChooseFolder(const char16_t* title, ax::BSTR* path) {
    chooserTitles.push_back(title);
    *path = folder.empty() ? nullptr : ax::AllocBstr(folder);
    return folder.empty() ? ax::S_FALSE : ax::S_OK;
}

ax::HRESULT ScriptedPresenter::Confirm(const char16_t* text, const char16_t*) {
    confirmations.push_back(text);
    return confirm ? ax::S_OK : ax::S_FALSE;
}

ax::HRESULT ScriptedPresenter::DoDragDrop(pgv::IPgvDataObject* data, uint32_t allowedEffects,
                                          uint32_t* effect) {
    dragsAllowed.push_back(allowedEffects);
    *effect = dragLoop ? dragLoop(data, allowedEffects) : 0;
    return *effect ? ax::S_OK : ax::S_FALSE;
}

ax::HRESULT ScriptedPresenter::ShowNotice(const char16_t* text, const char16_t* caption) {
    notices.push_back(std::u16string(caption) + u": " + text);
    return ax::S_OK;
}

int32_t ScriptedPresenter::IdOf(const std::vector<Entry>& menu, const std::u16string& caption) {
    for (const Entry& entry : menu) {
        std::u16string plain;
        for (char16_t c : entry.caption) {
            if (c != u'&')
                plain += c;
        }
        if (plain == caption)
            return entry.id;
    }
    return 0;
}

std::vector<std::u16string> ScriptedPresenter::Captions(const std::vector<Entry>& menu) {
    std::vector<std::u16string> captions;
    for (const Entry& entry : menu)
        captions.push_back(entry.caption);
    return captions;
}

} // namespace pgvtest
