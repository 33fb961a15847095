#include "client/stream/DownloadPath.h"

#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"
#include "platform/fs/UserModes.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

namespace {

// The download folder without trailing '/' ("/" stays).
std::wstring FolderOf(const std::wstring& downloadDir) {
    std::wstring folder = downloadDir;
    while (folder.size() > 1 && folder.back() == L'/')
        folder.pop_back();
    return folder;
}

// What must begin every path inside `folder`.
std::wstring InsidePrefix(const std::wstring& folder) {
    return folder == L"/" ? folder : folder + L"/";
}

// Gives the file just placed as `name` in the folder `target` the user's
// ordinary mode. `moved` was opened on the file before the move: a rename
// kept it the same file, so its mode is set through the descriptor and no
// name is looked up again; a move across file systems placed a copy and
// unlinked what `moved` holds, and then the copy is opened by its name in
// the folder, never through a link.
bool SetPlacedFileMode(const platform::UniqueFd& moved, int target, const std::string& name) {
    const int mode = platform::UserFileMode();
    struct stat held {};
    if (moved.IsValid() && fstat(moved.Get(), &held) == 0 && held.st_nlink > 0)
        return fchmod(moved.Get(), static_cast<mode_t>(mode)) == 0;
    platform::UniqueFd placed(openat(target, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat copy {};
    return placed.IsValid() && fstat(placed.Get(), &copy) == 0 && S_ISREG(copy.st_mode) &&
           fchmod(placed.Get(), static_cast<mode_t>(mode)) == 0;
}

} // namespace

bool MakeDownloadPath(const std::wstring& downloadDir, const std::wstring& wireDir,
                      const std::wstring& fileName, std::wstring& destination) {
    std::wstring relative;
    const std::wstring folder = FolderOf(downloadDir);
    if (folder.empty() ||
        !NetworkNameToPath(wireDir.empty() ? fileName : wireDir + L"/" + fileName, relative)) {
        MVLOG(LOG_ERR, "Refusing to download '%ls' / '%ls' into '%ls'", wireDir.c_str(), fileName.c_str(),
              downloadDir.c_str());
        return false;
    }
    std::wstring joined = PathJoin(folder, relative);
    const std::wstring inside = InsidePrefix(folder);
    if (joined.compare(0, inside.size(), inside) != 0) {
        MVLOG(LOG_ERR, "Download path %ls leaves %ls", joined.c_str(), folder.c_str());
        return false;
    }
    destination = std::move(joined);
    return true;
}

bool MoveIntoDownloadFolder(const std::wstring& from, const std::wstring& downloadDir,
                            const std::wstring& destination) {
    const std::wstring folder = FolderOf(downloadDir);
    const std::wstring inside = InsidePrefix(folder);
    if (folder.empty() || destination.compare(0, inside.size(), inside) != 0) {
        MVLOG(LOG_ERR, "Download path %ls leaves %ls", destination.c_str(), folder.c_str());
        return false;
    }
    const std::wstring relative = destination.substr(inside.size());
    const size_t slash = relative.rfind(L'/');
    const std::wstring subfolders = slash == std::wstring::npos ? std::wstring() : relative.substr(0, slash);
    const std::wstring name = slash == std::wstring::npos ? relative : relative.substr(slash + 1);

    // Songs and their folders get the user's ordinary modes, so that a
    // player or media server of another account can read them; only the
    // temporary file is private.
    const int folderMode = platform::UserFolderMode();
    // The download folder itself is the user's choice and may be a link;
    // below it nothing is followed.
    if (!fileExists(folder))
        (void)platform::MakeDirectories(WideToUtf8(folder), folderMode);
    platform::UniqueFd base(platform::OpenCloexec(WideToUtf8(folder), O_RDONLY | O_DIRECTORY));
    platform::UniqueFd target(
        base.IsValid() ? platform::OpenDirectoriesNoFollow(base.Get(), WideToUtf8(subfolders), folderMode)
                       : -1);
    if (!target.IsValid()) {
        MVLOG(LOG_ERR, "Could not make the folders of %ls inside %ls, errno %i", destination.c_str(),
              folder.c_str(), errno);
        return false;
    }
    // The temporary file stays private until it has its place: a move that
    // fails leaves it 0600.
    platform::UniqueFd moved(platform::OpenRegularFileRead(WideToUtf8(from), nullptr));
    if (platform::RenameNoReplaceAt(AT_FDCWD, WideToUtf8(from), target.Get(), WideToUtf8(name)) != 0) {
        MVLOG(LOG_INFO, "error %i renaming %ls to %ls", errno, from.c_str(), destination.c_str());
        return false;
    }
    if (!SetPlacedFileMode(moved, target.Get(), WideToUtf8(name)))
        MVLOG(LOG_ERR, "Could not give %ls the user's file mode, errno %i", destination.c_str(), errno);
    return true;
}
