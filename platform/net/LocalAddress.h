// This side's address and port of an IPv4 socket and the host name behind an
// address. Nothing logs; failures are returned as errno or EAI_* codes.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// The dotted local address of socket `fd` ("192.168.1.5"). 0, or an errno value.
int LocalIPv4Text(int fd, std::string* text) noexcept;

// The local port of IPv4 socket `fd` (as bound, also to port 0). 0, or an
// errno value.
int LocalIPv4Port(int fd, uint16_t* port) noexcept;

// The name a reverse lookup gives for the dotted address `ip`. 0, or an EAI_*
// code (EAI_NONAME also for text that is not a dotted address). May block
// while the resolver asks.
int ReverseLookupIPv4(const std::string& ip, std::string* name) noexcept;

} // namespace platform
