// A host's presenter whose answers the test scripts: the menus it was
// asked to show (and the entry to choose), the folder chooser, the
// confirmations, the notices, and the drag loop.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/automation/RefCounted.h"

#include <functional>
#include <string>
#include <vector>

namespace pgvtest {

class ScriptedPresenter final : public pgv::IPgvPresenter,
                                public pgv::IPgvDragPresenter,
                                public pgv::IPgvNoticePresenter,
                                public ax::RefCounted {
  public:
    struct Entry {
        std::u16string caption;
        int32_t id;
        int32_t state;
        int32_t level;
        bool operator==(const Entry&) const = default;
    };

    ax::HRESULT QueryInterface(const ax::Guid& iid, void** out) override;
    AX_REFCOUNTED_MEMBERS
    ax::HRESULT TrackMenu(const pgv::PgvMenuEntry* entries, uint32_t count, int32_t x, int32_t y,
                          int32_t* chosenId) override;
    ax::HRESULT ChooseFolder(const char16_t* title, ax::BSTR* path) override;
    ax::HRESULT Confirm(const char16_t* text, const char16_t* caption) override;
    ax::HRESULT DoDragDrop(pgv::IPgvDataObject* data, uint32_t allowedEffects, uint32_t* effect) override;
    ax::HRESULT ShowNotice(const char16_t* text, const char16_t* caption) override;

    // The id of the first entry whose caption, '&' left out, is `caption`.
    static int32_t IdOf(const std::vector<Entry>& menu, const std::u16string& caption);
    static std::vector<std::u16string> Captions(const std::vector<Entry>& menu);

    // The menus shown, with their points.
    std::vector<std::vector<Entry>> menus;
    std::vector<std::pair<int32_t, int32_t>> menuPoints;
    // Chooses from a menu while it is shown: an id, or 0 for nothing.
    std::function<int32_t(const std::vector<Entry>&)> chooseFromMenu;
    // The folder the chooser gives ("" cancels) and the titles it showed.
    std::u16string folder;
    std::vector<std::u16string> chooserTitles;
    // Confirmations asked for, and the answer.
    std::vector<std::u16string> confirmations;
    bool confirm = true;
    // Notices shown, each as "caption: text".
    std::vector<std::u16string> notices;
    // The drag loop: the effect of the drop, or 0 for a cancelled drag.
    std::function<uint32_t(pgv::IPgvDataObject*, uint32_t allowed)> dragLoop;
    std::vector<uint32_t> dragsAllowed;
};

} // namespace pgvtest
