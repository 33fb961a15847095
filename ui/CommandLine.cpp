#include "ui/CommandLine.h"

#include "include/text/Utf8.h"

std::wstring CommandLineFromArgs(int argc, const char* const* argv) {
    std::wstring line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += L' ';
        line += Utf8ToWide(argv[i] ? argv[i] : "");
    }
    return line;
}

bool HasSwitch(const std::wstring& commandLine, const wchar_t* name) {
    return commandLine.find(name) != std::wstring::npos;
}
