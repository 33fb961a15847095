#include "client/server/HelloSystemInfo.h"

#include "client/library/Playlist.h"

#include "include/system/SystemInfo.h"

namespace {

constexpr char kNoOsDescription[] = "(error)";

std::wstring DefaultPlayer(const wchar_t* extension) {
    std::wstring name;
    if (!GetDefaultAppName(name, extension))
        name.clear();
    return name;
}

} // namespace

HelloSystemInfo ReadHelloSystemInfo() {
    HelloSystemInfo info;
    if (!GetOsDescription(info.osDescription) || info.osDescription.empty())
        info.osDescription = kNoOsDescription;
    info.mp3Player = DefaultPlayer(L".mp3");
    info.m3uPlayer = DefaultPlayer(Playlist::kExtension);
    return info;
}
