// Relative folders travel on the wire with '\' separators.
#pragma once

#include <string>

// The wire form with '/' separators.
std::wstring WireDirToLocal(const std::wstring& wireDir);
