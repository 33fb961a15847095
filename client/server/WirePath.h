// Relative folders travel on the wire with '\' separators.
#pragma once

#include <string>

// The wire form with '/' separators.
std::wstring WireDirToLocal(const std::wstring& wireDir);
// The local form with '\' separators.
std::wstring LocalDirToWire(const std::wstring& localDir);
