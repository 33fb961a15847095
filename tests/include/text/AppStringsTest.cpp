#include "include/text/AppStrings.h"

#include "include/config/ServiceSettings.h"
#include "include/crash/CrashReport.h"
#include "include/text/Utf8.h"
#include "tests/support/ScopedEnv.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::ScopedEnv;

TEST(AppStringsTest, EveryIdHasAText) {
    for (int id = 0; id < AS_COUNT; ++id)
        EXPECT_FALSE(GetAppString(id).empty()) << id;
}

TEST(AppStringsTest, WebSiteTextsFollowTheConfiguredBaseUrl) {
    {
        ScopedEnv unset(kEnvWebBaseUrl, nullptr);
        EXPECT_EQ(Utf8ToWide(kDefaultWebBaseUrl), GetAppString(AS_WEB_BASE_URL));
    }
    ScopedEnv web(kEnvWebBaseUrl, "http://127.0.0.1:8080/");
    EXPECT_EQ(L"http://127.0.0.1:8080", GetAppString(AS_WEB_BASE_URL));
    EXPECT_EQ(L"This version of Melvane is too old.  Please visit 127.0.0.1:8080 to download a newer version",
              GetAppString(AS_VERSION_TOO_OLD));
    EXPECT_EQ(
        L"This version of Melvane (3.0.1.2) is too old.  Please visit 127.0.0.1:8080 to download a newer "
        L"version.",
        FormatAppString(AS_VERSION_TOO_OLD_WITH_VERSION, {L"3.0.1.2"}));
}

TEST(AppStringsTest, FormatFillsSlotsInOrderAndInsertsArgumentsLiterally) {
    EXPECT_EQ(L"Finished sending a.mp3", FormatAppString(AS_FINISHED_TRANSFER, {L"sending", L"a.mp3"}));
    EXPECT_EQ(L"Saved playlist 100%s %n %d %%", FormatAppString(AS_SAVED_PLAYLIST, {L"100%s %n %d %%"}));
    // A missing argument leaves its slot empty; extra ones are ignored.
    EXPECT_EQ(L"Finished downloading ", FormatAppString(AS_FINISHED_TRANSFER, {L"downloading"}));
    EXPECT_EQ(L"Deleted playlist x", FormatAppString(AS_DELETED_PLAYLIST, {L"x", L"y"}));
    EXPECT_EQ(L"Online", FormatAppString(AS_ONLINE, {}));
}

TEST(AppStringsTest, FormattedTextIsCutTo8191Characters) {
    std::wstring result = FormatAppString(AS_SAVED_PLAYLIST, {std::wstring(10000, L'p')});
    EXPECT_EQ(8191u, result.size());
    EXPECT_EQ(0u, result.rfind(L"Saved playlist ppp", 0));
}

TEST(AppStringsDeathTest, IdOutsideTheTableIsAFatalAssertion) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ScopedEnv noHelperOutput("MELVANE_FAKE_HELPER_OUT", nullptr);
    const int badIds[] = {AS_COUNT, -1};
    for (int id : badIds) {
        EXPECT_EXIT(
            {
                SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
                (void)GetAppString(id);
            },
            ::testing::ExitedWithCode(1), "")
            << id;
    }
    EXPECT_EXIT(
        {
            SetHelperPath(Utf8ToWide(MELVANE_FAKE_HELPER));
            (void)FormatAppString(AS_COUNT, {L"x"});
        },
        ::testing::ExitedWithCode(1), "");
}
