// What the hello tells the server about this machine. It is read once per
// connection, so the room kept for the hello and the hello itself are built
// from the same values, and the desktop files are not read again on every
// pass that waits for room.
#pragma once

#include <functional>
#include <string>

struct HelloSystemInfo {
    std::string osDescription; // "(error)" when it cannot be had
    std::wstring mp3Player;    // default applications; empty when unknown
    std::wstring m3uPlayer;
};

using HelloSystemInfoReader = std::function<HelloSystemInfo()>;

// This machine's values.
HelloSystemInfo ReadHelloSystemInfo();
