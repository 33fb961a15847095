#include "client/server/LoginDigests.h"

#include "include/digest/Md5.h"

namespace {

constexpr char kPasswordSalt[] = "qx-pepr";

// c x (c + 1) + i / 2 for the unsigned byte c at position i.
uint32_t CheckTerm(const std::string& text, size_t i) {
    const uint32_t c = static_cast<unsigned char>(text[i]);
    return c * (c + 1) + static_cast<uint32_t>(i / 2);
}

} // namespace

std::string PasswordDigest(const std::string& passwordUtf8) {
    return SaltedDigest(kPasswordSalt, passwordUtf8);
}

std::string SaltedDigest(const std::string& a, const std::string& b) {
    const std::string joined = a + b;
    return Md5HexOfBuffer(joined.data(), static_cast<int>(joined.size()));
}

uint32_t ComputeHelloCheck(const std::string& userName, const std::string& localIp) {
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
