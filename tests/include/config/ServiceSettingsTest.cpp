#include "include/config/ServiceSettings.h"

#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

using testsupport::ScopedEnv;

TEST(ServiceSettingsTest, UnsetOrEmptyVariablesKeepTheDefaults) {
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        ScopedEnv web(kEnvWebBaseUrl, value), redirector(kEnvRedirector, value), tls(kEnvTls, value),
            ca(kEnvCaFile, value), crash(kEnvCrashEndpoint, value), support(kEnvSupportEmail, value);
        ServiceSettings s = GetServiceSettings();
        EXPECT_EQ(kDefaultWebBaseUrl, s.webBaseUrl);
        EXPECT_EQ(kDefaultRedirectorHost, s.redirectorHost);
        EXPECT_EQ(443, s.redirectorPort);
        EXPECT_TRUE(s.useTls);
        EXPECT_EQ("", s.caFile);
        EXPECT_EQ("http://crash.melvane.example/api/crash.php", s.crashEndpoint);
        EXPECT_EQ(kDefaultSupportEmail, s.supportEmail);
    }
}

TEST(ServiceSettingsTest, EnvironmentPointsAtLocalServers) {
    ScopedEnv web(kEnvWebBaseUrl, "http://127.0.0.1:8080//"), redirector(kEnvRedirector, "127.0.0.1:9443"),
        tls(kEnvTls, "off"), ca(kEnvCaFile, "/tmp/ca.pem"), crash(kEnvCrashEndpoint, "http://127.0.0.1:1/c"),
        support(kEnvSupportEmail, "help@test.example");
    ServiceSettings s = GetServiceSettings();
    EXPECT_EQ("http://127.0.0.1:8080", s.webBaseUrl);
    EXPECT_EQ("127.0.0.1", s.redirectorHost);
    EXPECT_EQ(9443, s.redirectorPort);
    EXPECT_FALSE(s.useTls);
    EXPECT_EQ("/tmp/ca.pem", s.caFile);
    EXPECT_EQ("http://127.0.0.1:1/c", s.crashEndpoint);
    EXPECT_EQ("help@test.example", s.supportEmail);
}

TEST(ServiceSettingsTest, RedirectorWithoutAUsablePortKeepsPort443AndTheHost) {
    for (const char* value : {"redirect.test", "redirect.test:99999", "redirect.test:0", "redirect.test:12ab",
                              "redirect.test:"}) {
        ScopedEnv redirector(kEnvRedirector, value);
        ServiceSettings s = GetServiceSettings();
        EXPECT_EQ("redirect.test", s.redirectorHost) << value;
        EXPECT_EQ(443, s.redirectorPort) << value;
    }
}

TEST(ServiceSettingsTest, HostOfUrlIsTheAuthority) {
    EXPECT_EQ("host:1", HostOfUrl("https://host:1/x/y"));
    EXPECT_EQ("www.melvane.example", HostOfUrl("https://www.melvane.example"));
    EXPECT_EQ("bare", HostOfUrl("bare"));
    EXPECT_EQ("h", HostOfUrl("h/path"));
}
