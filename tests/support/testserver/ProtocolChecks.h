// What the server can verify in the program's sign-in messages, computed
// here on its own (OpenSSL's MD5, not the program's) so a fault in the
// program is not mirrored.
#pragma once

#include "tests/support/testserver/ClientMessages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// The first field of the hello: a sum over bytes of the user name and, for
// a user name of odd length, of the local IP text.
uint32_t HelloCheckValue(std::string_view userName, std::string_view localIp);

// 32 lower-case hex digits.
std::string Md5Hex(std::string_view bytes);
// MD5 of `first` followed by `second`.
std::string SaltedDigest(std::string_view first, std::string_view second);
// The digest a typed password is kept as: MD5 of a fixed salt and the text.
std::string PasswordDigest(std::string_view password);

bool IsLowerHex(std::string_view text, size_t length);

// What the server knows of the account; an empty field is not checked.
struct ExpectedAccount {
    std::string userName;
    // The password as the user types it (sign-in check with a digest).
    std::string password;
    // The one-time secret (sign-in check with the secret as given).
    std::string oneTimeSecret;
    // The stored credential a normal session signs in with.
    std::string credential;
};

struct HelloContext {
    // Salt of the security string sent on this connection; none when the
    // hello came before any.
    std::optional<std::string> serverSalt;
    // Address the connection comes from, as the server sees it.
    std::string peerAddress;
    // Serial of the previous hello this server received, if any.
    std::optional<uint32_t> previousSerial;
    ExpectedAccount account;
};

// Each fault found, as a readable line; empty when the hello is sound.
std::vector<std::string> CheckHello(const msg::Hello& hello, const HelloContext& context);
std::vector<std::string> CheckAccountCheck(const msg::AccountCheck& check,
                                           const std::optional<std::string>& serverSalt,
                                           const ExpectedAccount& account);

} // namespace testsupport
