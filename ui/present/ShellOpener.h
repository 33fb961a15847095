// Hands web addresses, folders and programs to the desktop.
#pragma once

#include <string>

class ShellOpener {
  public:
    virtual ~ShellOpener() = default;
    // Opens a web address or folder in the user's preferred application.
    virtual bool Open(const std::wstring& target) = 0;
    // Starts a program (an installer) by its path.
    virtual bool Run(const std::wstring& program) = 0;
};
