// Message numbers of the UI kernel. They keep the values the program's
// windows have always used, so posted numbers read the same in logs.
#pragma once

#include <cstdint>

// A window's handle: a number that is never reused within a run; 0 is none.
using WindowHandle = uint64_t;
constexpr WindowHandle kNoWindow = 0;

constexpr uint32_t WM_NULL = 0x0000;
constexpr uint32_t WM_DESTROY = 0x0002;
constexpr uint32_t WM_CLOSE = 0x0010;
constexpr uint32_t WM_QUIT = 0x0012;
constexpr uint32_t WM_INITDIALOG = 0x0110;
constexpr uint32_t WM_COMMAND = 0x0111;
constexpr uint32_t WM_LBUTTONUP = 0x0202;
constexpr uint32_t WM_RBUTTONUP = 0x0205;
constexpr uint32_t WM_USER = 0x0400;
constexpr uint32_t WM_APP = 0x8000;

// Tray icon notifications, carried in the low word of lParam.
constexpr uint32_t NIN_BALLOONTIMEOUT = WM_USER + 4;
constexpr uint32_t NIN_BALLOONUSERCLICK = WM_USER + 5;

// Dialog commands and message-box answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
