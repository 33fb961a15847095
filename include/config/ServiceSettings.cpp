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
        size_t colon = redirector.rfind(':');
        if (colon != std::string::npos && colon + 1 < redirector.size()) {
            int port = std::atoi(redirector.c_str() + colon + 1);
            if (port > 0 && port < 65536) {
                settings.redirectorPort = port;
                redirector.resize(colon);
            }
        }
        settings.redirectorHost = redirector;
    }
    settings.useTls = EnvOr(kEnvTls, "on") != std::string("off");
    settings.caFile = EnvOr(kEnvCaFile, "");
    settings.crashEndpoint = EnvOr(kEnvCrashEndpoint, kDefaultCrashEndpoint);
    return settings;
}
