// Where a file's acoustic fingerprint comes from: computed in this process,
// or by the fingerprint child process. Each fills the print's text form and
// the seconds it covers, and returns false when no print was made.
#pragma once

#include <cstdint>
#include <string>

[[nodiscard]] bool CalcPrintInProcess(const std::wstring& path, std::string& print, uint32_t& printSecs);
[[nodiscard]] bool GetPrintOutOfProc(const std::wstring& path, std::string& print, uint32_t& printSecs);
