// Melvane-Helper's message boxes on a display: the user sees the box's
// caption, text and icon, and what they press is the answer.
#include "crashreport/HelperPresenter.h"
#include "crashreport/HelperTexts.h"
#include "include/text/Utf8.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <string>

namespace desktoptest {
namespace {

constexpr wchar_t kSupport[] = L"support@test.example";

enum class Press { kOk, kCopyThenClose };

// What the box showed, and how it was answered once it did.
struct Watch {
    Press press = Press::kOk;
    bool seen = false;
    std::string title;
    std::string text;
    GtkMessageType type = GTK_MESSAGE_OTHER;
    std::string icon;
    bool hasCancel = false;
    bool stuck = false;
};

GtkWidget* ShownMessageDialog() {
    GtkWidget* found = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* it = windows; it; it = it->next) {
        if (GTK_IS_MESSAGE_DIALOG(it->data) && gtk_widget_get_visible(GTK_WIDGET(it->data)))
            found = GTK_WIDGET(it->data);
    }
    g_list_free(windows);
    return found;
}

void SendCtrlC(GtkWidget* box) {
    GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(box)));
    event->key.keyval = GDK_KEY_c;
    event->key.state = GDK_CONTROL_MASK;
    gtk_widget_event(box, event);
    gdk_event_free(event);
}

gboolean AnswerShownBox(gpointer data) {
    auto* watch = static_cast<Watch*>(data);
    GtkWidget* box = ShownMessageDialog();
    if (!box || !gtk_widget_get_mapped(box))
        return G_SOURCE_CONTINUE;
    watch->seen = true;
    watch->title = gtk_window_get_title(GTK_WINDOW(box));
    gchar* text = nullptr;
    g_object_get(box, "text", &text, "message-type", &watch->type, nullptr);
    watch->text = text ? text : "";
    g_free(text);
    const char* icon = gtk_window_get_icon_name(GTK_WINDOW(box));
    watch->icon = icon ? icon : "";
    watch->hasCancel = gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_CANCEL) != nullptr;
    if (watch->press == Press::kOk) {
        gtk_button_clicked(GTK_BUTTON(gtk_dialog_get_widget_for_response(GTK_DIALOG(box), GTK_RESPONSE_OK)));
    } else {
        SendCtrlC(box);
        // As the window manager's close box does.
        gtk_window_close(GTK_WINDOW(box));
    }
    return G_SOURCE_REMOVE;
}

// A box nobody could answer ends here instead of holding the test.
gboolean EndStuckBox(gpointer data) {
    static_cast<Watch*>(data)->stuck = true;
    if (GtkWidget* box = ShownMessageDialog())
        gtk_dialog_response(GTK_DIALOG(box), GTK_RESPONSE_NONE);
    ADD_FAILURE() << "the box was not answered";
    return G_SOURCE_REMOVE;
}

TEST(HelperBoxesTest, BoxesShowTheirCaptionTextAndIconAndTakeTheUsersAnswer) {
    const std::unique_ptr<HelperPresenter> presenter = OpenDesktopPresenter();
    ASSERT_NE(nullptr, presenter) << "no display";
    struct Case {
        bool question;
        Press press;
        bool answer;
    };
    const Case cases[] = {
        {false, Press::kCopyThenClose, false},
        {true, Press::kOk, true},
        // Closed counts as Cancel.
        {true, Press::kCopyThenClose, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "question " << c.question << ", press " << int(c.press));
        const std::wstring caption = c.question ? kRestartCaption : kUploadFailedCaption;
        const std::wstring text = c.question ? RestartText(kSupport) : FirewallText(kSupport);
        gtk_clipboard_set_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD), "", -1);
        Watch watch;
        watch.press = c.press;
        const guint answerer = g_timeout_add(20, AnswerShownBox, &watch);
        const guint backstop = g_timeout_add(10000, EndStuckBox, &watch);
        bool answer = false;
        if (c.question)
            answer = presenter->AskOkCancel(caption, text);
        else
            presenter->ShowError(caption, text);
        if (!watch.stuck)
            g_source_remove(backstop);
        if (!watch.seen)
            g_source_remove(answerer);
        ASSERT_TRUE(watch.seen);
        EXPECT_EQ(WideToUtf8(caption), watch.title);
        EXPECT_EQ(WideToUtf8(text), watch.text);
        EXPECT_EQ(GTK_MESSAGE_ERROR, watch.type);
        EXPECT_EQ("dialog-error", watch.icon);
        EXPECT_EQ(c.question, watch.hasCancel);
        EXPECT_EQ(c.answer, answer);
        EXPECT_EQ(nullptr, ShownMessageDialog());
        if (c.press == Press::kCopyThenClose) {
            // Text on an X clipboard ends its lines with LF alone.
            std::string lines = WideToUtf8(text);
            std::erase(lines, '\r');
            gchar* copied = gtk_clipboard_wait_for_text(gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
            EXPECT_STREQ(lines.c_str(), copied);
            g_free(copied);
        }
    }
}

} // namespace
} // namespace desktoptest
