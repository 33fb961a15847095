// Where the service lives. The defaults are placeholders under the reserved
// .example domain; environment variables point the program at local and test
// servers.
#pragma once

#include <string>

// Environment variables that override the defaults.
constexpr char kEnvWebBaseUrl[] = "MELVANE_WEB_BASE_URL";    // scheme and host, no trailing slash
constexpr char kEnvRedirector[] = "MELVANE_REDIRECTOR";      // host:port
constexpr char kEnvTls[] = "MELVANE_TLS";                    // "on" or "off"
constexpr char kEnvCaFile[] = "MELVANE_CA_FILE";             // PEM file of a test CA
constexpr char kEnvCrashEndpoint[] = "MELVANE_CRASH_URL";    // full URL of the crash upload, http or https
constexpr char kEnvSupportEmail[] = "MELVANE_SUPPORT_EMAIL"; // the address the user is told to write to

constexpr char kDefaultWebBaseUrl[] = "https://www.melvane.example";
constexpr char kDefaultRedirectorHost[] = "redirector.melvane.example";
constexpr int kDefaultRedirectorPort = 443;
// Plain HTTP unless the setting names https (then verified as every TLS peer).
constexpr char kDefaultCrashEndpoint[] = "http://crash.melvane.example/api/crash.php";
constexpr char kDefaultSupportEmail[] = "support@melvane.example";

struct ServiceSettings {
    std::string webBaseUrl;
    std::string redirectorHost;
    int redirectorPort = kDefaultRedirectorPort;
    bool useTls = true;
    std::string caFile; // empty: the system's certificate store
    std::string crashEndpoint;
    std::string supportEmail;
};

// The defaults with the environment's overrides applied.
ServiceSettings GetServiceSettings();

// The host part of a URL ("https://host:1/x" gives "host:1").
std::string HostOfUrl(const std::string& url);
