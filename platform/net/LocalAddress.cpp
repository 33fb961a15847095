#include "platform/net/LocalAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>

namespace platform {

int LocalIPv4Text(int fd, std::string* text) noexcept {
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return errno;
    if (address.sin_family != AF_INET)
        return EAFNOSUPPORT;
    char dotted[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &address.sin_addr, dotted, sizeof dotted))
        return errno;
    text->assign(dotted);
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
