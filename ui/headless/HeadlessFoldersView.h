// The shared-folders dialog without a desktop: logged and cancelled, so the
// shared folders stay as they are.
#pragma once

#include "ui/present/FoldersView.h"

class HeadlessFoldersView final : public FoldersView {
  public:
    void Show(const std::wstring& caption, const MessageTarget& dialog, FolderTreeControl* control) override;
    void Refresh() override {}
    void Raise() override {}
    void Hide() override {}
};
