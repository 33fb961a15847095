// PLACEHOLDER until the shared-folders dialog (the folder-tree control with
// check boxes) is built: it shows nothing, logs that it is missing and
// answers Cancel, so the shared folders stay as they are.
#pragma once

#include "ui/present/FoldersDialog.h"

class FoldersDialogPlaceholder final : public FoldersDialog {
  public:
    int Run(MessageLoop& loop, std::vector<std::wstring>* folders) override;
    void Raise() override {}
};
