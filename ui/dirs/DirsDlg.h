// The shared-folders dialog: the folder tree with check boxes over the
// caller's list of shared folders, rewritten from the checked folders on OK.
#pragma once

#include "ui/dirs/FolderTreeControl.h"
#include "ui/kernel/Dialog.h"
#include "ui/kernel/MessageLoop.h"
#include "ui/present/FoldersView.h"
#include "ui/present/MessageBoxView.h"

#include <map>
#include <string>
#include <vector>

class CDirsDlg final : public Dialog {
  public:
    // `manifestPath` as for FolderTreeControl.
    CDirsDlg(std::vector<std::wstring>* shareDirs, FoldersView& view, MessageBoxView& boxes,
             const std::string& manifestPath = "");
    ~CDirsDlg() override;

    void BringToFront() { m_view.Raise(); }

  protected:
    bool OnInitDialog() override;
    void OnCommand(uint16_t id) override;
    void OnDestroy() override;

  private:
    bool QueryControl();
    // The window, once the stored shares are checked.
    void ShowView();
    void OnCloseCmd(uint16_t id);
    // The folders the checked nodes stand for; empty when none.
    std::vector<std::wstring> CheckedFolders();
    void OnNodeChecked(ax::IDispatch* node);
    void PumpControl();

    std::vector<std::wstring>* m_pShareDirs;
    FoldersView& m_view;
    MessageBoxView& m_boxes;
    FolderTreeControl m_control;
    // The stored share each node checked at the start stands for, by node
    // id: such a node keeps the share's own path (a link is not replaced
    // by its target).
    std::map<double, std::wstring> m_sharesByNode;
    MessageLoop::TimerId m_pump = 0;
    bool m_shown = false;
};
