#include "client/stream/HttpResources.h"

namespace {

// The published document type of cross-domain policies.
constexpr char kPolicyDtd[] = "http://www.adobe.com/xml/dtds/cross-domain-policy.dtd";

std::string EscapeForScript(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        if (c == '\'' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
}

} // namespace

std::string RandomSongScript(uint32_t songId) {
    return "var randomSongID = '" + std::to_string(songId) + "';";
}

std::string IdentifyScript(const std::string& userName, const std::string& version) {
    return "var localUsername = '" + EscapeForScript(userName) + "'; var localVersion = '" +
           EscapeForScript(version) + "';";
}

std::string CrossDomainPolicy() {
    return std::string("<?xml version='1.0'?><!DOCTYPE cross-domain-policy SYSTEM '") + kPolicyDtd +
           "'><cross-domain-policy><allow-access-from domain='*' secure='false' /></cross-domain-policy>";
}
