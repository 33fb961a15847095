#include "ui/ListenerClient.h"

#include "platform/fs/UniqueFd.h"
#include "platform/net/UnixListener.h"
#include "ui/InstanceLocks.h"
#include "ui/MvListener.h"

#include <sys/socket.h>

#include <cstdio>

bool SendListenerRequest(const std::string& request) {
    const std::string folder = RuntimeFolderPath();
    if (folder.empty())
        return false;
    platform::UniqueFd fd(platform::ConnectUnixSocket(folder + "/" + CMvListener::kSocketName));
    if (!fd.IsValid())
        return false;
    const std::string line = request + "\n";
    return send(fd.Get(), line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
}

int ShowFoldersOfRunningCopy() {
    if (SendListenerRequest(CMvListener::kShowFoldersRequest))
        return 0;
    std::fprintf(stderr, "Melvane: no running copy to show its music folders\n");
    return 1;
}
