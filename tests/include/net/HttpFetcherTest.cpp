#include "include/net/HttpFetcher.h"

#include "include/digest/Md5.h"
#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/LocalHttpEndpoint.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <filesystem>
#include <thread>

using namespace testsupport;

namespace {

std::wstring Md5Of(const std::string& bytes) {
    return Utf8ToWide(Md5HexOfBuffer(bytes.data(), static_cast<int>(bytes.size())));
}

std::wstring Upper(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return text;
}

// Names in the folder, so a test sees that no temporary file was left.
std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        names.push_back(std::filesystem::relative(entry.path(), dir).string());
    std::sort(names.begin(), names.end());
    return names;
}

class HttpFetcherTest : public ::testing::Test {
  protected:
    CapturedLog log;
    TempDir dir;
    LocalHttpEndpoint endpoint;
    HttpFetcher fetcher{dir.WPath(), Utf8ToWide(endpoint.Url("/base/"))};
};

} // namespace

TEST_F(HttpFetcherTest, KeepsOnlyFilesWhoseDigestMatches) {
    const std::string fresh = "new bytes";
    endpoint.Serve("/base/new%20folder/a%20b%C3%A9.dll", HttpAnswer::Status(200, fresh));
    endpoint.Serve("/base/bad.dll", HttpAnswer::Status(200, "tampered"));
    const std::string localName = "sub\\a b.dll";
    const std::string localPath = dir.File("sub/a b.dll");
    std::filesystem::create_directories(dir.File("sub"));

    struct Case {
        const char* what;
        std::string onDisk; // "" for no file
        std::wstring remote;
        std::wstring md5;
        bool ok;
        FetchResult result;
        size_t requests; // recorded so far
        std::string after;
    } cases[] = {
        {"stale file is fetched again", "old", L"new folder/a bé.dll", Md5Of(fresh), true, FETCH_OK, 1,
         fresh},
        {"current file (digest in upper case) is kept without a request", fresh, L"new folder/a bé.dll",
         Upper(Md5Of(fresh)), true, FETCH_ALREADY_CURRENT, 1, fresh},
        {"mismatch after the download keeps the old file", "old", L"bad.dll", Md5Of(fresh), false,
         FETCH_DIGEST_MISMATCH, 2, "old"},
        {"an error page fails the digest and leaves nothing", "", L"missing.dll", Md5Of(fresh), false,
         FETCH_DIGEST_MISMATCH, 3, ""},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(localPath);
        if (!c.onDisk.empty())
            WriteFileText(localPath, c.onDisk);
        FetchResult result = FETCH_NO_SESSION;
        EXPECT_EQ(c.ok, fetcher.FetchFile(c.remote, Utf8ToWide(localName), c.md5, result)) << c.what;
        EXPECT_EQ(c.result, result) << c.what;
        EXPECT_EQ(c.requests, endpoint.Requests().size()) << c.what;
        EXPECT_EQ(c.after, ReadFileText(localPath)) << c.what;
        std::vector<std::string> expected = {"sub"};
        if (!c.after.empty())
            expected.push_back("sub/a b.dll");
        EXPECT_EQ(expected, Listing(dir.Path())) << c.what;
    }
    EXPECT_EQ("/base/new%20folder/a%20b%C3%A9.dll", endpoint.Requests()[0].path);
    EXPECT_EQ("MV Downloader (Windows)", endpoint.Requests()[0].Header("User-Agent"));
}

TEST_F(HttpFetcherTest, RefusesNamesThatLeaveTheFolderAndReportsAnAbsentServer) {
    endpoint.Serve("/base/x", HttpAnswer::Status(200, "x"));
    // Fetched into a folder of the test's own, so a climb would land in dir.
    std::filesystem::create_directories(dir.Path() + "/inner");
    HttpFetcher inner(Utf8ToWide(dir.Path() + "/inner"), Utf8ToWide(endpoint.Url("/base/")));
    for (const wchar_t* name : {L"../x", L"/etc/x", L"a\\..\\..\\x", L"a//x", L""}) {
        FetchResult result = FETCH_OK;
        EXPECT_FALSE(inner.FetchFile(L"x", name, Md5Of("x"), result)) << name;
        EXPECT_EQ(FETCH_OPEN_FAILED, result) << name;
    }
    EXPECT_TRUE(endpoint.Requests().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.Path() + "/x"));

    endpoint.Close();
    FetchResult result = FETCH_OK;
    EXPECT_FALSE(fetcher.FetchFile(L"x", L"deep/x", Md5Of("x"), result));
    EXPECT_EQ(FETCH_URL_FAILED, result);
    EXPECT_TRUE(log.Contains("InternetOpenUrl failed, err 7"));
    EXPECT_EQ((std::vector<std::string>{"deep", "inner"}), Listing(dir.Path()));
}

TEST_F(HttpFetcherTest, ADownloadCutOffMidBodyFailsAndLeavesNothing) {
    const std::string whole(100000, 'x');
    endpoint.Serve("/base/cut.dll", HttpAnswer::Cut(whole, 1000, 2 * kWaitTimeout.count()));
    WriteFileText(dir.File("cut.dll"), "old");
    std::atomic<bool> finished{false};
    FetchResult result = FETCH_OK;
    bool fetched = true;
    std::thread fetch([&] {
        fetched = fetcher.FetchFile(L"cut.dll", L"cut.dll", Md5Of(whole), result);
        finished = true;
    });
    // The reading is logged as it starts, not once the transfer is over.
    EXPECT_TRUE(WaitUntil([&] { return log.Contains("(VERB): About to start reading file"); }));
    EXPECT_FALSE(finished);
    endpoint.Close(); // the connection is reset
    fetch.join();

    EXPECT_FALSE(fetched);
    EXPECT_EQ(FETCH_DIGEST_MISMATCH, result);
    EXPECT_EQ("old", ReadFileText(dir.File("cut.dll")));
    EXPECT_EQ(std::vector<std::string>{"cut.dll"}, Listing(dir.Path()));
}
