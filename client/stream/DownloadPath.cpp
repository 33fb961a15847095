#include "client/stream/DownloadPath.h"

#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"

#include <utility>

bool MakeDownloadPath(const std::wstring& downloadDir, const std::wstring& wireDir,
                      const std::wstring& fileName, std::wstring& destination) {
    std::wstring relative;
    std::wstring folder = downloadDir;
    while (folder.size() > 1 && folder.back() == L'/')
        folder.pop_back();
    if (folder.empty() ||
        !NetworkNameToPath(wireDir.empty() ? fileName : wireDir + L"/" + fileName, relative)) {
        MVLOG(LOG_ERR, "Refusing to download '%ls' / '%ls' into '%ls'", wireDir.c_str(), fileName.c_str(),
              downloadDir.c_str());
        return false;
    }
    std::wstring joined = PathJoin(folder, relative);
    const std::wstring inside = folder == L"/" ? folder : folder + L"/";
    if (joined.compare(0, inside.size(), inside) != 0) {
        MVLOG(LOG_ERR, "Download path %ls leaves %ls", joined.c_str(), folder.c_str());
        return false;
    }
    destination = std::move(joined);
    return true;
}
