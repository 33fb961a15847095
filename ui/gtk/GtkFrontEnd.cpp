// The GTK desktop front end: used when a display can be opened.
#include "ui/FrontEnd.h"
#include "ui/InstanceLocks.h"
#include "ui/dirs/SharedFoldersDialog.h"
#include "ui/gtk/GlibWaiter.h"
#include "ui/gtk/GtkAboutView.h"
#include "ui/gtk/GtkFoldersView.h"
#include "ui/gtk/GtkMenuView.h"
#include "ui/gtk/GtkMessageBoxView.h"
#include "ui/gtk/GtkTray.h"
#include "ui/shell/XdgShellOpener.h"

namespace {

constexpr const char* kApplicationName = "Melvane";

class GtkFrontEnd final : public FrontEnd {
  public:
    explicit GtkFrontEnd(std::string iconFolder) : m_tray(std::move(iconFolder)) {}
    ~GtkFrontEnd() override { notify_uninit(); }

    Presenters Get() override {
        return Presenters{m_tray, m_menu, m_messageBox, m_about, m_shell, m_folders, &m_waiter};
    }

  private:
    GlibWaiter m_waiter;
    GtkTray m_tray;
    GtkMenuView m_menu;
    GtkMessageBoxView m_messageBox;
    GtkAboutView m_about;
    XdgShellOpener m_shell;
    GtkFoldersView m_foldersView;
    SharedFoldersDialog m_folders{m_foldersView, m_messageBox};
};

} // namespace

std::unique_ptr<FrontEnd> OpenDesktopFrontEnd() {
    if (!gtk_init_check(nullptr, nullptr))
        return nullptr;
    g_set_application_name(kApplicationName);
    notify_init(kApplicationName);
    const std::string runtime = RuntimeFolderPath();
    return std::make_unique<GtkFrontEnd>(runtime.empty() ? std::string() : runtime + "/icons");
}
