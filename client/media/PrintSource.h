// Where a file's acoustic fingerprint comes from: computed in this process
// (only the fingerprint child does that), or by the fingerprint child
// process. Each fills the print's text form and the seconds it covers.
#pragma once

#include <cstdint>
#include <string>

// False when no print was made.
[[nodiscard]] bool CalcPrintInProcess(const std::wstring& path, std::string& print, uint32_t& printSecs);
// Starts the child, sends it the path and reads its answer. False only when
// the child could not be asked (pipes, or a request too long to send); a
// child that fails, crashes or overruns its deadline gives true with an
// empty print.
[[nodiscard]] bool GetPrintOutOfProc(const std::wstring& path, std::string& print, uint32_t& printSecs);
