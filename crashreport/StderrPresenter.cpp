#include "crashreport/HelperPresenter.h"

#include "include/text/Utf8.h"

#include <cstdio>

namespace {

void WriteBox(const std::wstring& caption, const std::wstring& text) {
    std::fprintf(stderr, "Melvane-Helper: Message box \"%s\": %s\n", WideToUtf8(caption).c_str(),
                 WideToUtf8(text).c_str());
}

} // namespace

void StderrPresenter::ShowError(const std::wstring& caption, const std::wstring& text) {
    WriteBox(caption, text);
}

bool StderrPresenter::AskOkCancel(const std::wstring& caption, const std::wstring& text) {
    WriteBox(caption, text);
    return false;
}
