// The digests and the check value of the login exchange with the server.
#pragma once

#include <cstdint>
#include <string>

// Lower-case hex MD5 of the fixed salt followed by the password's UTF-8 bytes:
// what a typed password becomes before it is used on the wire or stored.
std::string PasswordDigest(const std::string& passwordUtf8);
// Lower-case hex MD5 of a followed by b.
std::string SaltedDigest(const std::string& a, const std::string& b);
// The first field of the hello, from the user name and this side's dotted
// address.
uint32_t ComputeHelloCheck(const std::string& userName, const std::string& localIp);
