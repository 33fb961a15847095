#include "foldertree/dragdrop/DropTarget.h"

#include "foldertree/api/Pathgrove.h"
#include "foldertree/shell/FileOperations.h"

#include <sys/stat.h>

#include <cerrno>

namespace pgv {
namespace {

std::string ParentOf(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

bool OnSameFileSystem(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    return lstat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev;
}

} // namespace

std::string LinkName(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return "Link to " + (slash == std::string::npos ? path : path.substr(slash + 1));
}

uint32_t DropEffectFor(const std::vector<std::string>& sources, const std::string& folder, uint32_t keyState,
                       uint32_t allowed) {
    if (sources.empty() || folder.empty())
        return DROPEFFECT_NONE;
    for (const std::string& source : sources) {
        if (IsSameOrInside(folder, source))
            return DROPEFFECT_NONE;
    }
    const bool control = keyState & MK_CONTROL, shift = keyState & MK_SHIFT;
    uint32_t effect = DROPEFFECT_NONE;
    if (control && shift)
        effect = DROPEFFECT_LINK;
    else if (control)
        effect = DROPEFFECT_COPY;
    else if (shift)
        effect = DROPEFFECT_MOVE;
    if (effect != DROPEFFECT_NONE) {
        effect &= allowed;
    } else {
        effect = OnSameFileSystem(sources[0], folder) ? DROPEFFECT_MOVE : DROPEFFECT_COPY;
        if (!(effect & allowed)) {
            for (uint32_t candidate : {DROPEFFECT_COPY, DROPEFFECT_MOVE, DROPEFFECT_LINK}) {
                if (candidate & allowed) {
                    effect = candidate;
                    break;
                }
            }
            effect &= allowed;
        }
    }
    if (effect == DROPEFFECT_MOVE) {
        for (const std::string& source : sources) {
            if (ParentOf(source) == folder)
                return DROPEFFECT_NONE;
        }
    }
    return effect;
}

int PerformDrop(const std::vector<std::string>& sources, const std::string& folder, uint32_t effect,
                std::vector<std::string>* created, std::vector<std::string>* removed,
                std::vector<LeftBehind>* leftBehind) {
    for (const std::string& source : sources) {
        std::string placed;
        LeftBehind left;
        int error = EINVAL;
        if (effect == DROPEFFECT_COPY)
            error = CopyInto(source, folder, &placed);
        else if (effect == DROPEFFECT_MOVE)
            error = MoveInto(source, folder, &placed, &left);
        else if (effect == DROPEFFECT_LINK)
            error = LinkInto(source, folder, LinkName(source), &placed);
        if (error != 0)
            return error;
        created->push_back(placed);
        if (left.error != 0)
            leftBehind->push_back(left);
        else if (effect == DROPEFFECT_MOVE)
            removed->push_back(source);
    }
    return 0;
}

} // namespace pgv
