// Opens addresses and folders with xdg-open and starts programs directly, each
// with an argument list (never a shell). Children are reaped when they end.
#pragma once

#include "ui/present/ShellOpener.h"

class XdgShellOpener final : public ShellOpener {
  public:
    bool Open(const std::wstring& target) override;
    bool Run(const std::wstring& program) override;
};
