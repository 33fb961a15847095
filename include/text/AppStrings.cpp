#include "include/text/AppStrings.h"

#include "include/config/ServiceSettings.h"
#include "include/crash/Assert.h"
#include "include/text/Utf8.h"

namespace {

constexpr size_t kMaxFormattedChars = 8191;

// Ids 3, 9 and 13 name the web site and are built from the service settings.
const wchar_t* const kTexts[AS_COUNT] = {
    L"3.0.1.46-win",
    L"Melvane",
    L"Melvane Error",
    nullptr,
    L"Melvane could not connect due to a problem with your account information.  Please click OK and login "
    L"again.",
    L"Another Melvane Helper has come on with the same account information as this one.  Click OK to login "
    L"again, or Cancel to exit.",
    L"Another Melvane Helper has come on with the same account information as this one.  Restart the "
    L"application to log in again.",
    L"Melvane",
    L"You have successfully logged into the Melvane Helper!",
    nullptr,
    L"Login has timed out.  Please try again in a moment",
    L"Could not find an account matching that username and password",
    L"There was a problem logging into the Melvane Helper.  Please try again in a few moments",
    nullptr,
    L"/",
    L"/login",
    L"/user/home.php?&loginPage=1&loginCancelURL=/user/home.php?",
    L"/account/newAccount.php",
    L"sending",
    L"downloading",
    L"Finished %s %s",
    L"Saved playlist %s",
    L"Deleted playlist %s",
    L"MV Downloader",
    L"Melvane has downloaded updates - click here to install.",
    L"Melvane has been upgraded",
    L"Melvane could not connect and register this account.  There may be a firewall problem or you may need "
    L"to "
    L"download the installer again",
    L"There was a problem installing Melvane.  Please visit the website and download the installer again",
    L"There was a problem setting up Melvane.  Please visit the Melvane website and download the Helper "
    L"again",
    L"Click on the icon below to change your shared music folder anytime",
    L"Melvane Helper Installed",
    L"Melvane Helper",
    L"Select folders to share",
    L"Choose folder",
    L"Online",
    L"Offline",
    L"Melvane Playlists",
    L"Hey there! Melvane Helper runs better when installed in your Applications folder (/Applications).",
    L"Another instance of Melvane Helper is already running.",
};

std::wstring WebSiteHost() {
    return Utf8ToWide(HostOfUrl(GetServiceSettings().webBaseUrl));
}

} // namespace

std::wstring GetAppString(int id) {
    if (id < 0 || id >= AS_COUNT) {
        MV_ASSERT(0);
        return std::wstring();
    }
    switch (id) {
    case AS_VERSION_TOO_OLD_WITH_VERSION:
        return L"This version of Melvane (%s) is too old.  Please visit " + WebSiteHost() +
               L" to download a newer version.";
    case AS_VERSION_TOO_OLD:
        return L"This version of Melvane is too old.  Please visit " + WebSiteHost() +
               L" to download a newer version";
    case AS_WEB_BASE_URL:
        return Utf8ToWide(GetServiceSettings().webBaseUrl);
    default:
        return kTexts[id];
    }
}

std::wstring FormatAppString(int id, std::initializer_list<std::wstring> arguments) {
    std::wstring result = FillTextSlots(GetAppString(id), arguments);
    if (result.size() > kMaxFormattedChars)
        result.resize(kMaxFormattedChars);
    return result;
}

std::wstring FillTextSlots(const std::wstring& format, std::initializer_list<std::wstring> arguments) {
    std::wstring result;
    auto next = arguments.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == L'%' && i + 1 < format.size()) {
            if (format[i + 1] == L's') {
                if (next != arguments.end())
                    result += *next++;
                ++i;
                continue;
            }
            if (format[i + 1] == L'%') {
                result += L'%';
                ++i;
                continue;
            }
        }
        result += format[i];
    }
    return result;
}
