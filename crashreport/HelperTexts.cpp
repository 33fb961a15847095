#include "crashreport/HelperTexts.h"

#include "include/text/AppStrings.h"

namespace {

constexpr size_t kMaxFilledChars = 8191;

std::wstring Cut(const std::wstring& text) {
    return text.substr(0, kMaxFilledChars);
}

} // namespace

std::wstring FirewallText(const std::wstring& supportEmail) {
    return L"It looks like a firewall is preventing Melvane Helper from connecting to our servers.\r\n\r\n"
           L"In order to allow your music to appear online and to keep your software up-to-date, please "
           L"update your firewall settings to add exceptions for:\r\n"
           L"\"Melvane\"\r\n"
           L"\"Melvane-Helper\"\r\n\r\n"
           L"Please email " +
           supportEmail + L" if you need help or have any questions.";
}

std::wstring UploadFailedText(const std::wstring& supportEmail, const std::wstring& summary,
                              const std::wstring& errorText, const std::wstring& programPath,
                              const std::wstring& version) {
    static const wchar_t kFormat[] =
        L"The Melvane Helper has stopped working. This error could not be automatically reported.  Please "
        L"email %s with the following information:\r\n\r\nOriginal err: %s\r\nReporting err: %s\r\n"
        L"Program: %s\r\nVersion: %s\r\n\r\nHint: Clicking on this window and pressing Ctrl-C will copy "
        L"this message to the clipboard so it is easy to paste into an email.";
    return FillTextSlots(kFormat,
                         {supportEmail, Cut(summary), Cut(errorText), Cut(programPath), Cut(version)});
}

std::wstring RestartText(const std::wstring& supportEmail) {
    return L"The Melvane Helper ran into a problem.  Please email " + supportEmail +
           L" if this keeps happening.";
}
