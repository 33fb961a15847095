// The GTK views on a real display: what the user does with them comes back
// to the program as it would from any other front end.
#include "ui/gtk/GlibWaiter.h"
#include "ui/gtk/GtkAboutView.h"
#include "ui/gtk/GtkMenuView.h"
#include "ui/gtk/GtkMessageBoxView.h"
#include "ui/gtk/GtkTray.h"
#include "ui/icons/ProgramIcons.h"
#include "ui/kernel/MessageLoop.h"
#include "ui/kernel/Window.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

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

class GtkViewsTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
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
