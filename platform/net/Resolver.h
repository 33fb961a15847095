// Host names and addresses through getaddrinfo() and getnameinfo(). Nothing
// logs; failures are returned as getaddrinfo's EAI_* codes.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <string>

namespace platform {

// The IPv4 address of `host`: a dotted address as written, otherwise the first
// address the resolver gives for the name. 0, or an EAI_* code (EAI_NONAME for
// an empty or null host). May block while the name is looked up.
int ResolveIPv4(const char* host, in_addr* address) noexcept;

// The numeric text of `address` ("127.0.0.1"); "" when it cannot be given.
std::string NumericHost(const sockaddr* address, socklen_t length);

// The text for a ResolveIPv4 result.
const char* ResolveErrorText(int code) noexcept;

} // namespace platform
