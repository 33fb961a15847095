// The shared-folders dialog as the main dialog runs it.
#pragma once

#include "ui/present/FoldersDialog.h"
#include "ui/present/FoldersView.h"
#include "ui/present/MessageBoxView.h"

#include <string>

class CDirsDlg;

class SharedFoldersDialog final : public FoldersDialog {
  public:
    SharedFoldersDialog(FoldersView& view, MessageBoxView& boxes, std::string manifestPath = "")
        : m_view(view), m_boxes(boxes), m_manifestPath(std::move(manifestPath)) {}

    int Run(MessageLoop& loop, std::vector<std::wstring>* folders) override;
    void Raise() override;

  private:
    FoldersView& m_view;
    MessageBoxView& m_boxes;
    std::string m_manifestPath;
    CDirsDlg* m_open = nullptr;
};
