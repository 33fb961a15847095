#include "include/config/ServiceSettings.h"

#include <cstdlib>

namespace {

std::string EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

} // namespace

std::string HostOfUrl(const std::string& url) {
    size_t start = url.find("://");
    start = start == std::string::npos ? 0 : start + 3;
    size_t end = url.find('/', start);
    return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

ServiceSettings GetServiceSettings() {
    ServiceSettings settings;
    settings.webBaseUrl = EnvOr(kEnvWebBaseUrl, kDefaultWebBaseUrl);
    while (!settings.webBaseUrl.empty() && settings.webBaseUrl.back() == '/')
        settings.webBaseUrl.pop_back();
    settings.redirectorHost = kDefaultRedirectorHost;
    std::string redirector = EnvOr(kEnvRedirector, "");
    if (!redirector.empty()) {
        // "host:port"; a port that is not a number from 1 to 65535 keeps the
        // default.
        size_t colon = redirector.rfind(':');
        if (colon != std::string::npos) {
            std::string port = redirector.substr(colon + 1);
            char* end = nullptr;
            long value = std::strtol(port.c_str(), &end, 10);
            if (!port.empty() && end && *end == '\0' && value > 0 && value < 65536)
                settings.redirectorPort = static_cast<int>(value);
            redirector.resize(colon);
        }
        if (!redirector.empty())
            settings.redirectorHost = redirector;
    }
    settings.useTls = EnvOr(kEnvTls, "on") != std::string("off");
    settings.caFile = EnvOr(kEnvCaFile, "");
    settings.crashEndpoint = EnvOr(kEnvCrashEndpoint, kDefaultCrashEndpoint);
    settings.supportEmail = EnvOr(kEnvSupportEmail, kDefaultSupportEmail);
    return settings;
}
