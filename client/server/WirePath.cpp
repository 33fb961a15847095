#include "client/server/WirePath.h"

namespace {

std::wstring ReplaceSeparator(const std::wstring& path, wchar_t from, wchar_t to) {
    std::wstring result = path;
    for (wchar_t& c : result) {
        if (c == from)
            c = to;
    }
    return result;
}

} // namespace

std::wstring WireDirToLocal(const std::wstring& wireDir) {
    return ReplaceSeparator(wireDir, L'\\', L'/');
}

std::wstring LocalDirToWire(const std::wstring& localDir) {
    return ReplaceSeparator(localDir, L'/', L'\\');
}
