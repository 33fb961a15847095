// The GTK views on a real display: what the user does with them comes back
// to the program as it would from any other front end.
#include "include/text/Utf8.h"
#include "ui/dirs/DirsDlg.h"
#include "ui/gtk/GlibWaiter.h"
#include "ui/gtk/GtkAboutView.h"
#include "ui/gtk/GtkFoldersView.h"
#include "ui/gtk/GtkMenuView.h"
#include "ui/gtk/GtkMessageBoxView.h"
#include "ui/gtk/GtkTray.h"
#include "ui/icons/ProgramIcons.h"
#include "ui/kernel/MessageLoop.h"
#include "ui/kernel/Window.h"

#include "tests/support/CapturedLog.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/desktop/ScreenClick.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

namespace desktoptest {
namespace {

// Records what reaches it.
class RecordingWindow final : public Window {
  public:
    intptr_t WindowProc(Message& message) override {
        received.push_back({message.id, message.wParam, message.lParam});
        return 1;
    }
    struct Received {
        uint32_t id;
        uintptr_t wParam;
        intptr_t lParam;
        bool operator==(const Received&) const = default;
    };
    std::vector<Received> received;
};

// The first widget of `type` at or below `widget`.
GtkWidget* FindWidget(GtkWidget* widget, GType type) {
    if (G_TYPE_CHECK_INSTANCE_TYPE(widget, type))
        return widget;
    GtkWidget* found = nullptr;
    if (GTK_IS_CONTAINER(widget)) {
        GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
        for (GList* it = children; it && !found; it = it->next)
            found = FindWidget(GTK_WIDGET(it->data), type);
        g_list_free(children);
    }
    return found;
}

// The middle of the check box in the row labelled `label`, on the screen,
// as the tree view lays it out: the row's cell area, the box's place in its
// column and the origin of the window the rows are drawn in. False while
// the row is not laid out.
bool CheckBoxOnScreen(GtkTreeView* tree, const std::string& label, int* x, int* y) {
    GtkTreeViewColumn* column = gtk_tree_view_get_column(tree, 0);
    GtkTreeModel* model = gtk_tree_view_get_model(tree);
    struct Search {
        GtkTreeViewColumn* column;
        const std::string* label;
        GtkCellRenderer* box = nullptr;
        GtkCellRenderer* text = nullptr;
        GtkTreePath* path = nullptr;
    } search{column, &label};
    GList* cells = gtk_cell_layout_get_cells(GTK_CELL_LAYOUT(column));
    for (GList* it = cells; it; it = it->next) {
        if (GTK_IS_CELL_RENDERER_TOGGLE(it->data))
            search.box = GTK_CELL_RENDERER(it->data);
        else if (GTK_IS_CELL_RENDERER_TEXT(it->data))
            search.text = GTK_CELL_RENDERER(it->data);
    }
    g_list_free(cells);
    if (!search.box || !search.text)
        return false;
    gtk_tree_model_foreach(
        model,
        [](GtkTreeModel* rows, GtkTreePath* path, GtkTreeIter* iter, gpointer data) -> gboolean {
            auto* s = static_cast<Search*>(data);
            gtk_tree_view_column_cell_set_cell_data(s->column, rows, iter, FALSE, FALSE);
            gchar* shown = nullptr;
            g_object_get(s->text, "text", &shown, nullptr);
            if (shown && *s->label == shown)
                s->path = gtk_tree_path_copy(path);
            g_free(shown);
            return s->path != nullptr;
        },
        &search);
    if (!search.path)
        return false;
    GdkRectangle cell{};
    gtk_tree_view_get_cell_area(tree, search.path, column, &cell);
    GtkTreeIter iter;
    gtk_tree_model_get_iter(model, &iter, search.path);
    gtk_tree_path_free(search.path);
    gtk_tree_view_column_cell_set_cell_data(column, model, &iter, FALSE, FALSE);
    int start = 0;
    int width = 0;
    GdkWindow* rows = gtk_tree_view_get_bin_window(tree);
    if (!gtk_tree_view_column_cell_get_position(column, search.box, &start, &width) || width <= 0 ||
        cell.height <= 0 || !rows)
        return false;
    int originX = 0;
    int originY = 0;
    gdk_window_get_origin(rows, &originX, &originY);
    *x = originX + cell.x + start + width / 2;
    *y = originY + cell.y + cell.height / 2;
    return true;
}

std::string CssText(const GdkRGBA& colour) {
    gchar* text = gdk_rgba_to_string(&colour);
    std::string copy = text;
    g_free(text);
    return copy;
}

class GtkViewsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // This program stays off the accessibility bus: the probe asks every
        // program there, and this one does not answer while it waits for
        // the program under test.
        testsupport::ScopedEnv noBridge("NO_AT_BRIDGE", "1");
        ASSERT_TRUE(gtk_init_check(nullptr, nullptr)) << "no display";
        notify_init("Melvane tests");
    }
    void SetUp() override {
        loop.SetInputWaiter(&waiter);
        ASSERT_TRUE(window.Attach(loop));
    }
    void TearDown() override { window.DestroyWindow(); }

    // The one shown top-level window of type `type`, or null.
    static GtkWidget* ShownWindow(GType type) {
        GtkWidget* found = nullptr;
        GList* windows = gtk_window_list_toplevels();
        for (GList* it = windows; it; it = it->next) {
            if (G_TYPE_CHECK_INSTANCE_TYPE(it->data, type) && gtk_widget_get_visible(GTK_WIDGET(it->data)))
                found = GTK_WIDGET(it->data);
        }
        g_list_free(windows);
        return found;
    }
    // Runs the loop until `done`, or fails after a while.
    void RunUntil(const std::function<bool()>& done) {
        bool timedOut = false;
        const MessageLoop::TimerId timer = loop.SetTimer(10000, [&timedOut] { timedOut = true; });
        loop.RunModal([&] { return done() || timedOut; });
        loop.KillTimer(timer);
        EXPECT_FALSE(timedOut);
    }
    void DispatchFor(uint32_t ms) {
        bool passed = false;
        loop.SetTimer(ms, [&passed] { passed = true; });
        loop.RunModal([&passed] { return passed; });
    }

    GlibWaiter waiter;
    MessageLoop loop{MessageQueue::Create()};
    RecordingWindow window;
};

TEST_F(GtkViewsTest, KernelMessagesFromAnyThreadAndGtkEventsShareOneWait) {
    bool idleRan = false;
    g_idle_add(
        [](gpointer ran) {
            *static_cast<bool*>(ran) = true;
            return G_SOURCE_REMOVE;
        },
        &idleRan);
    const MessageTarget target = window.Target();
    std::thread poster([target] { target.Post(WM_APP + 1); });
    RunUntil([&] { return idleRan && !window.received.empty(); });
    poster.join();
    ASSERT_EQ(1u, window.received.size());
    EXPECT_EQ(WM_APP + 1, window.received[0].id);
}

TEST_F(GtkViewsTest, MessageBoxAnswers) {
    struct Case {
        uint32_t style;
        gint response;
        int answer;
    };
    const Case cases[] = {
        {MB_OKCANCEL, GTK_RESPONSE_OK, IDOK},
        {MB_OKCANCEL, GTK_RESPONSE_CANCEL, IDCANCEL},
        {MB_OKCANCEL | MB_ICONERROR, GTK_RESPONSE_DELETE_EVENT, IDCANCEL},
        // A box without Cancel that is closed counts as acknowledged.
        {MB_ICONERROR, GTK_RESPONSE_DELETE_EVENT, IDOK},
    };
    GtkMessageBoxView view;
    for (const Case& c : cases) {
        std::vector<int> answers;
        view.Show(MessageBoxRequest{L"Text", L"Caption", c.style},
                  [&answers](int button) { answers.push_back(button); });
        GtkWidget* box = ShownWindow(GTK_TYPE_MESSAGE_DIALOG);
        ASSERT_NE(nullptr, box);
        EXPECT_STREQ("Caption", gtk_window_get_title(GTK_WINDOW(box)));
        gtk_dialog_response(GTK_DIALOG(box), c.response);
        EXPECT_EQ(std::vector<int>{c.answer}, answers) << c.style << " " << c.response;
        EXPECT_EQ(nullptr, ShownWindow(GTK_TYPE_MESSAGE_DIALOG));
    }
    // A quit takes the boxes away without an answer.
    int calls = 0;
    view.Show(MessageBoxRequest{L"Text", L"Caption", MB_OK}, [&calls](int) { ++calls; });
    view.Dismiss();
    EXPECT_EQ(nullptr, ShownWindow(GTK_TYPE_MESSAGE_DIALOG));
    EXPECT_EQ(0, calls);
}

TEST_F(GtkViewsTest, AboutBoxPostsOkEscAndTheCloseBox) {
    GtkAboutView view;
    AboutContent content{L"About", L"Melvane Helper", LoadProgramIcon(IDI_PROGRAM, kLargeIconSize)};
    view.Show(content, window.Target());
    GtkWidget* box = ShownWindow(GTK_TYPE_DIALOG);
    ASSERT_NE(nullptr, box);
    gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_OK);
    g_signal_emit_by_name(box, "close");
    GdkEvent* event = gdk_event_new(GDK_DELETE);
    event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(box)));
    gtk_main_do_event(event);
    gdk_event_free(event);
    loop.DispatchPending();
    // The box stays until the dialog hides it.
    EXPECT_TRUE(gtk_widget_get_visible(box));
    using R = RecordingWindow::Received;
    EXPECT_EQ((std::vector<R>{{WM_COMMAND, IDOK, 0}, {WM_COMMAND, IDCANCEL, 0}, {WM_CLOSE, 0, 0}}),
              window.received);
    view.Hide();
    EXPECT_EQ(nullptr, ShownWindow(GTK_TYPE_DIALOG));
}

TEST_F(GtkViewsTest, PopupMenuReturnsTheChosenCommandOrNothing) {
    PopupMenu menu;
    menu.Append(L"Visit Website", 32775);
    menu.AppendSeparator();
    menu.Append(L"Exit", 32774);
    GtkMenuView view;
    for (const int pick : {2, -1}) {
        // Chosen (or dismissed) while the menu's own loop runs.
        g_idle_add(
            [](gpointer data) {
                const int index = GPOINTER_TO_INT(data);
                GList* windows = gtk_window_list_toplevels();
                for (GList* it = windows; it; it = it->next) {
                    GtkWidget* child = gtk_bin_get_child(GTK_BIN(it->data));
                    if (!child || !GTK_IS_MENU(child) || !gtk_widget_get_visible(child))
                        continue;
                    if (index < 0) {
                        gtk_menu_shell_cancel(GTK_MENU_SHELL(child));
                    } else {
                        GList* items = gtk_container_get_children(GTK_CONTAINER(child));
                        gtk_menu_shell_activate_item(
                            GTK_MENU_SHELL(child),
                            GTK_WIDGET(g_list_nth_data(items, static_cast<guint>(index))), TRUE);
                        g_list_free(items);
                    }
                }
                g_list_free(windows);
                return G_SOURCE_REMOVE;
            },
            GINT_TO_POINTER(pick));
        view.TrackPopup(menu, window.Target());
        loop.DispatchPending();
    }
    using R = RecordingWindow::Received;
    EXPECT_EQ((std::vector<R>{{WM_COMMAND, 32774, 0}}), window.received);
}

TEST_F(GtkViewsTest, FoldersDialogBoxesTakeClicksAlsoWhenCheckedButDimmed) {
    testsupport::TempDir dir;
    for (const char* folder : {"Desktop", "Audio", "Music/Jazz", "Music/Rock"})
        std::filesystem::create_directories(dir.File("home/") + folder);
    testsupport::WriteFileText(dir.File("user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n");
    testsupport::ScopedEnv home("HOME", dir.File("home")), config("XDG_CONFIG_HOME", dir.Path());
    testsupport::CapturedLog log;
    std::vector<std::wstring> shares = {Utf8ToWide(dir.File("home/Audio/")),
                                        Utf8ToWide(dir.File("home/Music/Jazz/"))};
    bool drawn = false;
    GtkFoldersView view;
    GtkMessageBoxView boxes;
    CDirsDlg dialog(&shares, view, boxes);
    ASSERT_TRUE(dialog.CreateModeless(loop));
    GtkWidget* shown = ShownWindow(GTK_TYPE_DIALOG);
    ASSERT_NE(nullptr, shown);
    GtkTreeView* tree = GTK_TREE_VIEW(FindWidget(shown, GTK_TYPE_TREE_VIEW));
    ASSERT_NE(nullptr, tree);
    g_signal_connect_after(tree, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer flag) -> gboolean {
                               *static_cast<bool*>(flag) = true;
                               return FALSE;
                           }),
                           &drawn);
    // Rock's box checks the last of Music's children, so the dialog shows
    // Music checked but dimmed; a click on that box unchecks all three.
    // Each box is found once the tree has been drawn as it now is.
    for (const char* row : {"Rock", "Music"}) {
        const int checks = log.Count("Handling NodeChecked");
        drawn = false;
        gtk_widget_queue_draw(GTK_WIDGET(tree));
        int x = 0;
        int y = 0;
        RunUntil([&] { return drawn && CheckBoxOnScreen(tree, row, &x, &y); });
        ClickOnScreen(x, y);
        RunUntil([&] { return log.Count("Handling NodeChecked") > checks; });
    }
    gtk_dialog_response(GTK_DIALOG(shown), GTK_RESPONSE_OK);
    RunUntil([&] { return log.Contains("About to end dialog"); });
    EXPECT_EQ(std::vector<std::wstring>{Utf8ToWide(dir.File("home/Audio/"))}, shares);
    dialog.DestroyWindow();
}

TEST_F(GtkViewsTest, FoldersViewShowsTheControlsColoursLinesAndBorder) {
    testsupport::TempDir dir;
    testsupport::ScopedEnv home("HOME", dir.Path());
    FolderTreeControl control;
    ASSERT_EQ(ax::S_OK, control.Create({}));
    // Colours are 0x00BBGGRR.
    EXPECT_EQ(ax::S_OK, DispPut(control.Tree(), pgv::PGVC_FORECOLOR, ax::MakeI4(0x0000FF)));
    EXPECT_EQ(ax::S_OK, DispPut(control.Tree(), pgv::PGVC_BACKCOLOR, ax::MakeI4(0xFF0000)));
    EXPECT_EQ(ax::S_OK, DispPut(control.Tree(), pgv::PGVC_LINECOLOR, ax::MakeI4(0x00FF00)));
    EXPECT_EQ(ax::S_OK, DispPut(control.Tree(), pgv::PGVC_BORDERSTYLE, ax::MakeI2(pgv::BS_FLAT)));
    GtkFoldersView view;
    view.Show(L"Folders", window.Target(), &control);
    GtkWidget* shown = ShownWindow(GTK_TYPE_DIALOG);
    ASSERT_NE(nullptr, shown);
    GtkWidget* tree = FindWidget(shown, GTK_TYPE_TREE_VIEW);
    GtkStyleContext* style = gtk_widget_get_style_context(tree);
    GdkRGBA text{};
    GdkRGBA* back = nullptr;
    GdkRGBA* lines = nullptr;
    gtk_style_context_get_color(style, gtk_style_context_get_state(style), &text);
    gtk_style_context_get(style, gtk_style_context_get_state(style), "background-color", &back,
                          "border-left-color", &lines, nullptr);
    EXPECT_EQ("rgb(255,0,0)", CssText(text));
    EXPECT_EQ("rgb(0,0,255)", CssText(*back));
    // The tree lines are drawn in the left border's colour.
    EXPECT_EQ("rgb(0,255,0)", CssText(*lines));
    gdk_rgba_free(back);
    gdk_rgba_free(lines);
    EXPECT_TRUE(gtk_tree_view_get_enable_tree_lines(GTK_TREE_VIEW(tree)));
    GtkWidget* frame = FindWidget(shown, GTK_TYPE_SCROLLED_WINDOW);
    EXPECT_EQ(GTK_SHADOW_ETCHED_IN, gtk_scrolled_window_get_shadow_type(GTK_SCROLLED_WINDOW(frame)));
    view.Hide();
}

TEST_F(GtkViewsTest, ABalloonNobodyShowsStillEndsOnceAfterItsTime) {
    testsupport::TempDir dir;
    GtkTray tray(dir.File("icons"));
    BalloonData balloon{window.Target(), 132, WM_APP + 100, L"Melvane Helper", L"Saved playlist Mix", 50};
    ASSERT_TRUE(tray.ShowBalloon(balloon));
    DispatchFor(300);
    using R = RecordingWindow::Received;
    EXPECT_EQ((std::vector<R>{{WM_APP + 100, 132, NIN_BALLOONTIMEOUT}}), window.received);
}

} // namespace
} // namespace desktoptest
