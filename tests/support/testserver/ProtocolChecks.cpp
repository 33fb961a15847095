#include "tests/support/testserver/ProtocolChecks.h"

#include "tests/support/testserver/MessageTypes.h"

#include <openssl/evp.h>

#include <memory>

namespace testsupport {
namespace {

constexpr std::string_view kPasswordSalt = "qx-pepr";
constexpr size_t kDigestHexDigits = 32;
constexpr size_t kSessionSaltHexDigits = 8;

// c * (c + 1) + position / 2 for the byte c at `position`.
uint32_t CheckTerm(std::string_view text, size_t position) {
    uint32_t c = static_cast<uint8_t>(text[position]);
    return c * (c + 1) + static_cast<uint32_t>(position / 2);
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

void CheckDigest(std::vector<std::string>& problems, const char* what, const std::string& sent,
                 const std::optional<std::string>& salt, const std::string& secret) {
    if (!IsLowerHex(sent, kDigestHexDigits)) {
        problems.push_back(std::string(what) + " " + Quoted(sent) + " is not 32 lower-case hex digits");
        return;
    }
    if (!salt || secret.empty())
        return;
    std::string expected = SaltedDigest(*salt, secret);
    if (sent != expected)
        problems.push_back(std::string(what) + " " + Quoted(sent) + ", expected " + Quoted(expected));
}

} // namespace

uint32_t HelloCheckValue(std::string_view userName, std::string_view localIp) {
    uint32_t value = 0;
    if (userName.size() >= 3) {
        value = CheckTerm(userName, 1);
        if (userName.size() > 4)
            value += CheckTerm(userName, 3);
        if (userName.size() > 14)
            value += CheckTerm(userName, 13);
    }
    if (userName.size() % 2 == 0)
        return value;
    if (localIp.size() >= 4) {
        value += CheckTerm(localIp, 2);
        if (localIp.size() >= 9) {
            value += CheckTerm(localIp, 7);
            if (localIp.size() >= 15)
                value += CheckTerm(localIp, 13);
        }
    }
    return value;
}

std::string Md5Hex(std::string_view bytes) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(ctx.get(), bytes.data(), bytes.size()) != 1 ||
        EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1)
        return std::string();
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 15];
    }
    return text;
}

std::string SaltedDigest(std::string_view first, std::string_view second) {
    return Md5Hex(std::string(first) + std::string(second));
}

std::string PasswordDigest(std::string_view password) {
    return SaltedDigest(kPasswordSalt, password);
}

bool IsLowerHex(std::string_view text, size_t length) {
    if (text.size() != length)
        return false;
    for (char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

std::vector<std::string> CheckHello(const msg::Hello& hello, const HelloContext& context) {
    std::vector<std::string> problems;
    uint32_t expectedCheck = HelloCheckValue(hello.userName, hello.localIP);
    if (hello.helloCheck != expectedCheck)
        problems.push_back("hello check value " + std::to_string(hello.helloCheck) + ", expected " +
                           std::to_string(expectedCheck) + " for user " + Quoted(hello.userName) +
                           " and local IP " + Quoted(hello.localIP));
    if (!context.peerAddress.empty() && hello.localIP != context.peerAddress)
        problems.push_back("hello local IP " + Quoted(hello.localIP) + ", but the connection comes from " +
                           Quoted(context.peerAddress));
    if (hello.userName.empty())
        problems.push_back("hello without a user name");
    else if (!context.account.userName.empty() && hello.userName != context.account.userName)
        problems.push_back("hello user " + Quoted(hello.userName) + ", expected " +
                           Quoted(context.account.userName));
    if (!context.serverSalt)
        problems.push_back("hello before any security string on this connection");
    CheckDigest(problems, "hello password digest", hello.passwordDigest, context.serverSalt,
                context.account.credential);
    if (hello.protocolVersion != kProtocolVersion)
        problems.push_back("hello protocol version " + std::to_string(hello.protocolVersion));
    if (!IsLowerHex(hello.sessionSalt, kSessionSaltHexDigits))
        problems.push_back("hello session salt " + Quoted(hello.sessionSalt) +
                           " is not 8 lower-case hex digits");
    if (context.previousSerial && hello.sessionSerial != *context.previousSerial + 1)
        problems.push_back("hello session serial " + std::to_string(hello.sessionSerial) + " after " +
                           std::to_string(*context.previousSerial));
    return problems;
}

std::vector<std::string> CheckAccountCheck(const msg::AccountCheck& check,
                                           const std::optional<std::string>& serverSalt,
                                           const ExpectedAccount& account) {
    std::vector<std::string> problems;
    if (check.protocolVersion != kProtocolVersion)
        problems.push_back("account check protocol version " + std::to_string(check.protocolVersion));
    if (check.userName.empty())
        problems.push_back("account check without a user name");
    else if (!account.userName.empty() && check.userName != account.userName)
        problems.push_back("account check user " + Quoted(check.userName) + ", expected " +
                           Quoted(account.userName));
    if (check.password.empty())
        problems.push_back("account check without a password");
    if (!serverSalt)
        problems.push_back("account check before any security string on this connection");
    if (check.asGiven == 0) {
        std::string secret = account.password.empty() ? std::string() : PasswordDigest(account.password);
        CheckDigest(problems, "account check password digest", check.password, serverSalt, secret);
    } else if (check.asGiven == 1) {
        if (!account.oneTimeSecret.empty() && check.password != account.oneTimeSecret)
            problems.push_back("account check one-time secret " + Quoted(check.password) + ", expected " +
                               Quoted(account.oneTimeSecret));
    } else {
        problems.push_back("account check flag " + std::to_string(check.asGiven));
    }
    return problems;
}

} // namespace testsupport
