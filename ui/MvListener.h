// The hidden "MV Listener": lets another process of the same user ask the
// running program to close, through a Unix socket in the program's runtime
// folder (a client sends "close"). SIGTERM, SIGINT and SIGHUP take the same
// way. Either sends WM_CLOSE to the main dialog, which ends the program in
// the orderly way. A client that sends "show-folders" opens the shared
// folders dialog, for desktops that show no tray menu.
#pragma once

#include "platform/fs/UniqueFd.h"
#include "platform/net/UnixListener.h"
#include "platform/ui/SignalPipe.h"
#include "ui/kernel/Window.h"

#include <string>
#include <vector>

class CMvListener final : public Window {
  public:
    static constexpr const char* kSocketName = "listener";
    static constexpr const char* kCloseRequest = "close";
    static constexpr const char* kShowFoldersRequest = "show-folders";

    CMvListener() = default;
    ~CMvListener() override;

    void SetMainDialog(WindowHandle mainDialog) { m_hMainDlg = mainDialog; }
    // Joins `loop`, listens at `socketPath` and catches the termination
    // signals. The window exists even when the socket or the signals could
    // not be set up (logged); false only when it could not join the loop.
    bool Create(MessageLoop& loop, const std::string& socketPath);
    // Stops listening (the socket file goes), gives the signals back and
    // leaves the loop.
    void Destroy();

    intptr_t WindowProc(Message& message) override;

  private:
    struct Client {
        platform::UniqueFd fd;
        std::string received;
    };

    void OnConnection();
    void OnClientInput(int fd);
    void OnSignal();
    std::vector<Client>::iterator FindClient(int fd);
    void DropClient(int fd);
    void CloseRequested();

    WindowHandle m_hMainDlg = kNoWindow;
    platform::UnixListener m_socket;
    platform::SignalPipe m_signals;
    // In the order they connected: over the limit the first one goes.
    std::vector<Client> m_clients;
};
