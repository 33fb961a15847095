#include "platform/net/LocalAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

namespace platform {

namespace {

int LocalIPv4Address(int fd, sockaddr_in* address) noexcept {
    socklen_t length = sizeof *address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(address), &length) != 0)
        return errno;
    return address->sin_family == AF_INET ? 0 : EAFNOSUPPORT;
}

} // namespace

int LocalIPv4Text(int fd, std::string* text) noexcept {
    sockaddr_in address{};
    if (int error = LocalIPv4Address(fd, &address); error != 0)
        return error;
    char dotted[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &address.sin_addr, dotted, sizeof dotted))
        return errno;
    text->assign(dotted);
    return 0;
}

int LocalIPv4Port(int fd, uint16_t* port) noexcept {
    sockaddr_in address{};
    if (int error = LocalIPv4Address(fd, &address); error != 0)
        return error;
    *port = ntohs(address.sin_port);
    return 0;
}

int ReverseLookupIPv4(const std::string& ip, std::string* name) noexcept {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    if (inet_pton(AF_INET, ip.c_str(), &address.sin_addr) != 1)
        return EAI_NONAME;
    char host[NI_MAXHOST] = {};
    int result = getnameinfo(reinterpret_cast<const sockaddr*>(&address), sizeof address, host, sizeof host,
                             nullptr, 0, NI_NAMEREQD);
    if (result != 0)
        return result;
    name->assign(host);
    return 0;
}

} // namespace platform
