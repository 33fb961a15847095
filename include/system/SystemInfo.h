// What the server and crash reports are told about this machine, and the
// idle, power and tick queries of the core.
#pragma once

#include <cstdint>
#include <string>

// The version facts the Windows description is built from.
struct WindowsVersionInfo {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t platformId = 0;
    std::string servicePack;
    uint16_t suiteMask = 0;
    uint8_t productType = 0;   // 1 workstation
    uint16_t architecture = 0; // 9 x64, 6 Itanium, 0 x86
    uint32_t editionType = 0;  // the edition reported for version 6.0
    bool serverR2 = false;
};

constexpr uint32_t kPlatformWin32Nt = 2;

// "6.1.b7601 Windows 7, 64-bit Service Pack 1" and the like; false (text
// empty) for systems older than the NT family's version 5.
bool DescribeWindowsVersion(const WindowsVersionInfo& info, std::string& text);

// This system in the same shape: "<major>.<minor>.b<patch> <distribution>,
// 64-bit". False (text empty) when the kernel version cannot be read.
bool GetOsDescription(std::string& text);

// The name of the default application for files of `extension` (".mp3"), at
// most 256 characters.
bool GetDefaultAppName(std::wstring& name, const std::wstring& extension);

// Idle seconds are 0xFFFFFFFF: no idle probe exists here. AC line status and
// battery percent come from the power supplies.
void GetUserIdleInfo(uint32_t& idleSeconds, uint8_t& acLineStatus, uint8_t& batteryLifePercent);
constexpr uint32_t kIdleUnknown = 0xFFFFFFFF;

// The 64-bit tick counter (milliseconds, never wraps here).
int64_t GetTicks64(int64_t previous);
// Extends a 32-bit tick count past one wrap relative to `previous`, with the
// step of 0xFFFFFFFF that stored values were made with.
int64_t ExtendTickCount(int64_t previous, uint32_t tickCount);

std::wstring GetItunesLibraryPath();

// Keeps the machine from sleeping while the core works. No such request
// exists here; it only logs.
void KeepSystemAwake();
