// What the server and crash reports are told about this machine, and the
// idle, power and tick queries of the core.
#pragma once

#include <cstdint>
#include <string>

// This system, in the shape the server knows: "<major>.<minor>.b<patch> <distribution>,
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

// The media library's XML file: "iTunes/iTunes Music Library.xml" in the
// music folder, or "" (no library) when no music folder is known.
std::wstring GetItunesLibraryPath();
std::wstring ItunesLibraryPathIn(const std::wstring& musicDir);

// Keeps the machine from sleeping while the core works. No such request
// exists here; it only logs.
void KeepSystemAwake();
