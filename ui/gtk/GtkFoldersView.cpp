#include "ui/gtk/GtkFoldersView.h"

#include "include/text/Utf8.h"
#include "ui/dirs/FolderTreeControl.h"
#include "ui/gtk/GtkCheckCell.h"
#include "ui/gtk/GtkDialogReports.h"

#include <gdk/gdkkeysyms.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

enum Column { COL_STATE, COL_ICON, COL_LABEL, COL_ID, COL_COUNT };

constexpr int kWidth = 420;
constexpr int kHeight = 480;
constexpr const char* kFolderIcon = "folder";
constexpr int32_t kSmallShellIcon = 0;

// The freedesktop name of the node's small shell icon; a plain folder when
// the control has none for it.
std::string NodeIconName(ax::IDispatch* node) {
    NodePtr picture = DispObject(node, pgv::PGVN_GETSHELLICON, {ax::MakeI4(kSmallShellIcon)});
    const std::wstring name = picture ? DispText(picture.Get(), pgv::PGVP_ICONNAME) : std::wstring();
    return name.empty() ? kFolderIcon : WideToUtf8(name);
}

// Off, on, inconsistent, and on but dimmed, for check states 1 to 4. Every
// box takes clicks.
void DrawCheck(GtkTreeViewColumn* /*column*/, GtkCellRenderer* cell, GtkTreeModel* model, GtkTreeIter* iter,
               gpointer /*data*/) {
    gint state = 0;
    gtk_tree_model_get(model, iter, COL_STATE, &state, -1);
    g_object_set(cell, "visible", state != pgv::CS_NOCHECKBOXES, "active",
                 state == pgv::CS_CHECKED || state == pgv::CS_SELFANDCHILDCHECKED, "inconsistent",
                 state == pgv::CS_CHILDCHECKED, nullptr);
    SetCheckCellDimmed(cell, state == pgv::CS_SELFANDCHILDCHECKED);
}

// A colour of the control as CSS; "" for a system colour or the tree's
// default, which the theme draws.
std::string CssColour(int32_t colour) {
    if ((static_cast<uint32_t>(colour) >> 24) != 0)
        return std::string();
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", colour & 0xFF, (colour >> 8) & 0xFF,
                  (colour >> 16) & 0xFF);
    return text;
}

// The control's text, background and line colours, its lines and its
// border, on the tree and the scroller that frames it. Selected rows keep
// the theme's colours.
void ApplyControlLooks(ax::IDispatch* control, GtkWidget* tree, GtkWidget* scroller) {
    const std::string text = CssColour(DispInt(control, pgv::PGVC_FORECOLOR, pgv::kColorWindowText));
    const std::string back = CssColour(DispInt(control, pgv::PGVC_BACKCOLOR, pgv::kColorWindow));
    const std::string lines = CssColour(DispInt(control, pgv::PGVC_LINECOLOR, pgv::kColorTreeDefault));
    std::string css;
    if (!text.empty() || !back.empty())
        css += "treeview.view:not(:selected) {" + (text.empty() ? "" : " color: " + text + ";") +
               (back.empty() ? "" : " background-color: " + back + ";") + " }\n";
    // GTK draws the tree lines in the left border's colour.
    if (!lines.empty())
        css += "treeview.view { border-left-color: " + lines + "; }\n";
    if (!css.empty()) {
        GtkCssProvider* provider = gtk_css_provider_new();
        gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr);
        gtk_style_context_add_provider(gtk_widget_get_style_context(tree), GTK_STYLE_PROVIDER(provider),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
        g_object_unref(provider); // the style context holds it
    }
    gtk_tree_view_set_enable_tree_lines(GTK_TREE_VIEW(tree), DispFlag(control, pgv::PGVC_HASLINES));
    GtkShadowType border = GTK_SHADOW_IN;
    switch (DispInt(control, pgv::PGVC_BORDERSTYLE, pgv::BS_SUNKEN)) {
    case pgv::BS_NONE:
        border = GTK_SHADOW_NONE;
        break;
    case pgv::BS_FLAT:
        border = GTK_SHADOW_ETCHED_IN;
        break;
    default:
        break;
    }
    gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), border);
}

} // namespace

void GtkFoldersView::Show(const std::wstring& caption, const MessageTarget& dialog,
                          FolderTreeControl* control) {
    Hide();
    m_dialog = dialog;
    m_control = control;
    GtkWidget* window =
        gtk_dialog_new_with_buttons(WideToUtf8(caption).c_str(), nullptr, GtkDialogFlags(0), "Cancel",
                                    GTK_RESPONSE_CANCEL, "OK", GTK_RESPONSE_OK, nullptr);
    m_window = WindowOwner(window);
    gtk_window_set_default_size(GTK_WINDOW(window), kWidth, kHeight);
    gtk_window_set_position(GTK_WINDOW(window), GTK_WIN_POS_CENTER);
    gtk_dialog_set_default_response(GTK_DIALOG(window), GTK_RESPONSE_OK);

    m_store = gtk_tree_store_new(COL_COUNT, G_TYPE_INT, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_DOUBLE);
    m_tree = gtk_tree_view_new_with_model(GTK_TREE_MODEL(m_store));
    g_object_unref(m_store); // the view holds it
    gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(m_tree), FALSE);
    GtkTreeViewColumn* column = gtk_tree_view_column_new();
    GtkCellRenderer* check = NewCheckCell();
    gtk_tree_view_column_pack_start(column, check, FALSE);
    gtk_tree_view_column_set_cell_data_func(column, check, DrawCheck, nullptr, nullptr);
    GtkCellRenderer* icon = gtk_cell_renderer_pixbuf_new();
    gtk_tree_view_column_pack_start(column, icon, FALSE);
    gtk_tree_view_column_add_attribute(column, icon, "icon-name", COL_ICON);
    GtkCellRenderer* label = gtk_cell_renderer_text_new();
    gtk_tree_view_column_pack_start(column, label, TRUE);
    gtk_tree_view_column_add_attribute(column, label, "text", COL_LABEL);
    gtk_tree_view_append_column(GTK_TREE_VIEW(m_tree), column);
    gtk_tree_view_set_expander_column(GTK_TREE_VIEW(m_tree), column);
    g_signal_connect(check, "toggled", G_CALLBACK(OnToggled), this);
    g_signal_connect(m_tree, "test-expand-row", G_CALLBACK(OnTestExpand), this);
    g_signal_connect(m_tree, "row-collapsed", G_CALLBACK(OnCollapsed), this);
    g_signal_connect(m_tree, "key-press-event", G_CALLBACK(OnKey), this);

    GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
    gtk_container_add(GTK_CONTAINER(scroller), m_tree);
    if (control && control->IsCreated())
        ApplyControlLooks(control->Tree(), m_tree, scroller);
    gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(window))), scroller, TRUE, TRUE, 0);
    ReportDialogActions(window, &m_dialog);
    Refresh();
    gtk_widget_show_all(window);
    gtk_window_present(GTK_WINDOW(window));
}

void GtkFoldersView::Refresh() {
    if (!m_window || m_refreshing)
        return;
    m_refreshing = true;
    // The rebuild drops every row: the cursor and the top row shown are
    // found again by their nodes, so a click does not lose the user's place.
    GtkTreePath* cursor = nullptr;
    gtk_tree_view_get_cursor(GTK_TREE_VIEW(m_tree), &cursor, nullptr);
    const double cursorId = NodeIdAt(cursor);
    GtkTreePath* top = nullptr;
    const double topId =
        gtk_tree_view_get_visible_range(GTK_TREE_VIEW(m_tree), &top, nullptr) ? NodeIdAt(top) : 0;
    gtk_tree_path_free(cursor);
    gtk_tree_path_free(top);

    gtk_tree_store_clear(m_store);
    // A row opens only below open rows: the rows are opened once all are
    // there, parents first.
    std::vector<GtkTreePath*> expandedRows;
    if (m_control && m_control->IsCreated())
        AddChildren(DispObject(m_control->Tree(), pgv::PGVC_FIRSTVISIBLENODE).Get(), nullptr, &expandedRows);
    for (GtkTreePath* path : expandedRows) {
        gtk_tree_view_expand_row(GTK_TREE_VIEW(m_tree), path, FALSE);
        gtk_tree_path_free(path);
    }

    if (GtkTreePath* path = PathOfNode(cursorId)) {
        gtk_tree_view_set_cursor(GTK_TREE_VIEW(m_tree), path, nullptr, FALSE);
        gtk_tree_path_free(path);
    }
    if (GtkTreePath* path = PathOfNode(topId)) {
        gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(m_tree), path, nullptr, TRUE, 0.0F, 0.0F);
        gtk_tree_path_free(path);
    }
    m_refreshing = false;
}

double GtkFoldersView::NodeIdAt(GtkTreePath* path) {
    GtkTreeIter iter;
    double id = 0;
    if (path && gtk_tree_model_get_iter(GTK_TREE_MODEL(m_store), &iter, path))
        gtk_tree_model_get(GTK_TREE_MODEL(m_store), &iter, COL_ID, &id, -1);
    return id;
}

GtkTreePath* GtkFoldersView::PathOfNode(double id) {
    if (id == 0)
        return nullptr;
    struct Search {
        double id;
        GtkTreePath* found;
    } search{id, nullptr};
    gtk_tree_model_foreach(
        GTK_TREE_MODEL(m_store),
        [](GtkTreeModel* model, GtkTreePath* path, GtkTreeIter* iter, gpointer data) -> gboolean {
            auto* s = static_cast<Search*>(data);
            double rowId = 0;
            gtk_tree_model_get(model, iter, COL_ID, &rowId, -1);
            if (rowId != s->id)
                return FALSE;
            s->found = gtk_tree_path_copy(path);
            return TRUE;
        },
        &search);
    return search.found;
}

void GtkFoldersView::AddChildren(ax::IDispatch* first, GtkTreeIter* parent,
                                 std::vector<GtkTreePath*>* expandedRows) {
    NodePtr node(first);
    for (; node; node = DispObject(node.Get(), pgv::PGVN_NEXTSIBLING)) {
        GtkTreeIter row;
        gtk_tree_store_append(m_store, &row, parent);
        gtk_tree_store_set(m_store, &row, COL_STATE, DispInt(node.Get(), pgv::PGVN_CHECKSTATE, 0), COL_ICON,
                           NodeIconName(node.Get()).c_str(), COL_LABEL,
                           WideToUtf8(DispText(node.Get(), pgv::PGVN_TEXT)).c_str(), COL_ID,
                           DispNodeId(node.Get()), -1);
        const bool expanded = DispFlag(node.Get(), pgv::PGVN_EXPANDED);
        NodePtr child = DispObject(node.Get(), pgv::PGVN_CHILD, {ax::MakeBool(false)});
        if (expanded && child) {
            expandedRows->push_back(gtk_tree_model_get_path(GTK_TREE_MODEL(m_store), &row));
            AddChildren(child.Get(), &row, expandedRows);
        } else if (child || !DispFlag(node.Get(), pgv::PGVN_HASEXPANDEDONCE)) {
            // Not filled yet: a placeholder row gives the expander.
            GtkTreeIter placeholder;
            gtk_tree_store_append(m_store, &placeholder, &row);
        }
    }
}

NodePtr GtkFoldersView::NodeAt(GtkTreeIter* iter) {
    double id = 0;
    gtk_tree_model_get(GTK_TREE_MODEL(m_store), iter, COL_ID, &id, -1);
    if (!m_control || !m_control->IsCreated() || id == 0)
        return NodePtr();
    return DispObject(m_control->Tree(), pgv::PGVC_GETNODEFROMID, {ax::MakeR8(id)});
}

void GtkFoldersView::Expand(GtkTreeIter* iter, bool expand) {
    if (m_refreshing)
        return;
    if (NodePtr node = NodeAt(iter))
        (void)DispPut(node.Get(), pgv::PGVN_EXPANDED, ax::MakeBool(expand));
    Refresh();
}

gboolean GtkFoldersView::OnTestExpand(GtkTreeView*, GtkTreeIter* iter, GtkTreePath*, gpointer self) {
    auto* view = static_cast<GtkFoldersView*>(self);
    if (view->m_refreshing)
        return FALSE;
    view->Expand(iter, true);
    // The refresh has expanded the row as the control now has it.
    return TRUE;
}

void GtkFoldersView::OnCollapsed(GtkTreeView*, GtkTreeIter* iter, GtkTreePath*, gpointer self) {
    static_cast<GtkFoldersView*>(self)->Expand(iter, false);
}

void GtkFoldersView::ToggleRow(const char* path) {
    GtkTreeIter iter;
    if (!m_control || !gtk_tree_model_get_iter_from_string(GTK_TREE_MODEL(m_store), &iter, path))
        return;
    NodePtr node = NodeAt(&iter);
    if (!node)
        return;
    // The control's own check gesture (Space on its selected item), so its
    // events and check rules run as for any user.
    (void)DispPut(node.Get(), pgv::PGVN_SELECTED, ax::MakeBool(true));
    m_control->Control()->PreTranslateKey(pgv::KM_KEYDOWN, pgv::VK_SPACE);
    Refresh();
}

void GtkFoldersView::OnToggled(GtkCellRendererToggle*, gchar* path, gpointer self) {
    static_cast<GtkFoldersView*>(self)->ToggleRow(path);
}

gboolean GtkFoldersView::OnKey(GtkWidget* widget, GdkEventKey* event, gpointer self) {
    if (event->keyval != GDK_KEY_space)
        return FALSE;
    GtkTreePath* path = nullptr;
    gtk_tree_view_get_cursor(GTK_TREE_VIEW(widget), &path, nullptr);
    if (!path)
        return FALSE;
    gchar* text = gtk_tree_path_to_string(path);
    static_cast<GtkFoldersView*>(self)->ToggleRow(text);
    g_free(text);
    gtk_tree_path_free(path);
    return TRUE;
}

void GtkFoldersView::Raise() {
    if (m_window)
        gtk_window_present(GTK_WINDOW(m_window.Get()));
}

void GtkFoldersView::Hide() {
    if (m_window)
        g_signal_handlers_disconnect_by_data(m_window.Get(), &m_dialog);
    m_window.Reset();
    m_store = nullptr;
    m_tree = nullptr;
    m_control = nullptr;
}
