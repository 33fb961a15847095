#include "tests/support/testserver/ProtocolChecks.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testsupport;

TEST(TestServerChecks, HelloCheckValueSumsTheChosenBytes) {
    struct Case {
        const char* user;
        const char* ip;
        uint32_t expected;
    };
    const Case cases[] = {
        {"ab", "127.0.0.1", 0},                        // too short, even
        {"a", "127.0.0.1", 5246},                      // too short, odd: IP positions 2 and 7
        {"abcd", "10.0.0.1", 9702},                    // position 1 only
        {"abc", "10.0.0.1", 11865},                    // odd: adds IP position 2 only
        {"abcdef", "10.0.0.1", 19803},                 // positions 1 and 3
        {"abcde", "10.0.0.1", 21966},                  // odd, 8-byte IP: position 2 only
        {"abcdefghijklmno", "192.168.100.200", 39093}, // every position
        {"x\xC3\xA9", "", 38220},                      // bytes are unsigned; no IP to add
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, HelloCheckValue(c.user, c.ip)) << c.user << " " << c.ip;
}

TEST(TestServerChecks, DigestsAreLowerCaseHexMd5) {
    EXPECT_EQ("d41d8cd98f00b204e9800998ecf8427e", Md5Hex(""));
    EXPECT_EQ("900150983cd24fb0d6963f7d28e17f72", SaltedDigest("a", "bc"));
    EXPECT_EQ("77910ae6f1db193c865abaced630d0a1", PasswordDigest("secret"));
}

msg::Hello SoundHello() {
    msg::Hello hello;
    hello.userName = "alice";
    hello.localIP = "127.0.0.1";
    hello.helloCheck = HelloCheckValue(hello.userName, hello.localIP);
    hello.sessionSerial = 41;
    hello.passwordDigest = SaltedDigest("s4lt", "stored-credential");
    hello.protocolVersion = kProtocolVersion;
    hello.sessionSalt = "0badcafe";
    return hello;
}

HelloContext SoundContext() {
    HelloContext context;
    context.serverSalt = "s4lt";
    context.peerAddress = "127.0.0.1";
    context.previousSerial = 40;
    context.account.userName = "alice";
    context.account.credential = "stored-credential";
    return context;
}

TEST(TestServerChecks, SoundHelloPassesAndEachFaultIsNamed) {
    EXPECT_TRUE(CheckHello(SoundHello(), SoundContext()).empty());

    struct Case {
        const char* fault;
        void (*spoil)(msg::Hello&, HelloContext&);
    };
    const Case cases[] = {
        {"check value", [](msg::Hello& h, HelloContext&) { h.helloCheck += 1; }},
        {"password digest",
         [](msg::Hello& h, HelloContext&) { h.passwordDigest = SaltedDigest("other", "x"); }},
        {"password digest", [](msg::Hello& h, HelloContext&) { h.passwordDigest = "ABC"; }},
        {"local IP", [](msg::Hello&, HelloContext& c) { c.peerAddress = "127.0.0.2"; }},
        {"session serial", [](msg::Hello& h, HelloContext&) { h.sessionSerial = 43; }},
        {"protocol version", [](msg::Hello& h, HelloContext&) { h.protocolVersion = 34; }},
        {"session salt", [](msg::Hello& h, HelloContext&) { h.sessionSalt = "0BADCAFE"; }},
        {"before any security string", [](msg::Hello&, HelloContext& c) { c.serverSalt.reset(); }},
        {"user", [](msg::Hello&, HelloContext& c) { c.account.userName = "bob"; }},
    };
    for (const Case& c : cases) {
        msg::Hello hello = SoundHello();
        HelloContext context = SoundContext();
        c.spoil(hello, context);
        std::vector<std::string> problems = CheckHello(hello, context);
        ASSERT_EQ(1u, problems.size()) << c.fault;
        EXPECT_NE(std::string::npos, problems[0].find(c.fault)) << problems[0];
    }
}

TEST(TestServerChecks, AccountCheckSecretDependsOnItsFlag) {
    ExpectedAccount account{"alice", "typed", "one-time-secret", ""};
    msg::AccountCheck typed{"3.0.1.46", kProtocolVersion, "alice",
                            SaltedDigest("s4lt", PasswordDigest("typed")), 0};
    EXPECT_TRUE(CheckAccountCheck(typed, std::string("s4lt"), account).empty());
    msg::AccountCheck oneTime{"3.0.1.46", kProtocolVersion, "alice", "one-time-secret", 1};
    EXPECT_TRUE(CheckAccountCheck(oneTime, std::string("s4lt"), account).empty());

    // The typed password sent without the fixed salt's digest.
    msg::AccountCheck unsalted = typed;
    unsalted.password = SaltedDigest("s4lt", "typed");
    EXPECT_EQ(1u, CheckAccountCheck(unsalted, std::string("s4lt"), account).size());
    msg::AccountCheck wrongSecret = oneTime;
    wrongSecret.password = "guess";
    EXPECT_EQ(1u, CheckAccountCheck(wrongSecret, std::string("s4lt"), account).size());
    msg::AccountCheck badFlag = oneTime;
    badFlag.asGiven = 2;
    EXPECT_EQ(1u, CheckAccountCheck(badFlag, std::string("s4lt"), account).size());
}

} // namespace
