// The shared-folders dialog's window: a GtkTreeView that mirrors the
// folder-tree control's own tree (check box, icon, label) with OK and
// Cancel. The user's expansions and check-box clicks go to the control,
// whose events and check rules run as they do without a screen; the mirror
// is rebuilt from the control afterwards, keeping the user's cursor row and
// scroll position.
#pragma once

#include "ui/dirs/Dispatch.h"
#include "ui/gtk/GtkHandles.h"
#include "ui/present/FoldersView.h"

#include <vector>

class GtkFoldersView final : public FoldersView {
  public:
    void Show(const std::wstring& caption, const MessageTarget& dialog, FolderTreeControl* control) override;
    void Refresh() override;
    void Raise() override;
    void Hide() override;

    // The check-box click on the row at `path` (a GtkTreePath string).
    void ToggleRow(const char* path);

  private:
    static gboolean OnTestExpand(GtkTreeView* view, GtkTreeIter* iter, GtkTreePath* path, gpointer self);
    static void OnCollapsed(GtkTreeView* view, GtkTreeIter* iter, GtkTreePath* path, gpointer self);
    static void OnToggled(GtkCellRendererToggle* cell, gchar* path, gpointer self);
    static gboolean OnKey(GtkWidget* widget, GdkEventKey* event, gpointer self);

    // Adds the rows of `first` and its siblings under `parent`; the rows of
    // expanded nodes are appended to `expandedRows` in pre-order.
    void AddChildren(ax::IDispatch* first, GtkTreeIter* parent, std::vector<GtkTreePath*>* expandedRows);
    // The id of the node shown at `path` (0 when none), and the path of the
    // row showing the node `id` after a rebuild (null when gone).
    double NodeIdAt(GtkTreePath* path);
    GtkTreePath* PathOfNode(double id);
    NodePtr NodeAt(GtkTreeIter* iter);
    void Expand(GtkTreeIter* iter, bool expand);

    WindowOwner m_window;
    MessageTarget m_dialog;
    FolderTreeControl* m_control = nullptr;
    GtkTreeStore* m_store = nullptr;
    GtkWidget* m_tree = nullptr;
    bool m_refreshing = false;
};
