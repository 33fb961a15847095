#include "ui/shell/XdgShellOpener.h"

#include "include/process/ShellOpen.h"
#include "include/text/Utf8.h"

bool XdgShellOpener::Open(const std::wstring& target) {
    return ShellOpen(target);
}

bool XdgShellOpener::Run(const std::wstring& program) {
    if (program.empty())
        return false;
    return StartDetached({WideToUtf8(program)});
}
