// The folder-tree control as the shared-folders dialog hosts it: created by
// class id through the program's manifest, with the dialog's settings, its
// events connected and its tree window made.
#pragma once

#include "foldertree/api/Pathgrove.h"
#include "foldertree/host/Activator.h"
#include "foldertree/host/HostSite.h"
#include "ui/dirs/Dispatch.h"

#include <functional>
#include <memory>
#include <string>

class FolderTreeControl {
  public:
    struct Events {
        std::function<void(ax::IDispatch* node)> nodeChecked;
        std::function<void(ax::IDispatch* node)> nodeExpanding;
    };

    // `manifestPath` names the manifest; "" is the one beside the program.
    explicit FolderTreeControl(const std::string& manifestPath = "");
    ~FolderTreeControl();
    FolderTreeControl(const FolderTreeControl&) = delete;
    FolderTreeControl& operator=(const FolderTreeControl&) = delete;

    // Creates the control; what failed, as its result code, otherwise.
    ax::HRESULT Create(Events events);
    // Takes down the window, the events and the control.
    void Close();
    bool IsCreated() const { return m_tree.Get() != nullptr; }

    ax::IDispatch* Tree() const { return m_tree.Get(); }
    pgv::IPgvControl* Control() const { return m_control.Get(); }
    // Runs the control's timers, posted calls and folder watches that are due.
    size_t RunPending();

    NodePtr GetNode(const std::wstring& path);
    NodePtr FirstCheckedNode();
    NodePtr NextCheckedNode();

  private:
    std::unique_ptr<pgvhost::Activator> m_activator;
    ax::ComPtr<ax::IDispatch> m_tree;
    ax::ComPtr<pgv::IPgvControl> m_control;
    ax::ComPtr<pgvhost::HostSite> m_site;
    ax::ComPtr<ax::IConnectionPoint> m_point;
    uint32_t m_cookie = 0;
};
