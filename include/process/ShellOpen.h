// Handing files, folders and addresses to the desktop, and starting programs
// that run on by themselves. Children get an argument list (never a shell) and
// are reaped when they end.
#pragma once

#include <string>
#include <vector>

// Opens `target` with the desktop's default application through xdg-open.
// True when xdg-open started; otherwise false with the start's errno value in
// *error (ENOENT when xdg-open is not installed). Failures are logged.
[[nodiscard]] bool ShellOpen(const std::wstring& target, int* error = nullptr);

// Starts argv[0] with `argv` and does not wait for it. True when it started;
// otherwise false with the errno value in *error. Failures are logged.
[[nodiscard]] bool StartDetached(const std::vector<std::string>& argv, int* error = nullptr);
