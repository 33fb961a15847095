#include "platform/net/Resolver.h"

#include <arpa/inet.h>
#include <netdb.h>

namespace platform {

int ResolveIPv4(const char* host, in_addr* address) noexcept {
    if (!host || host[0] == '\0')
        return EAI_NONAME;
    if (inet_pton(AF_INET, host, address) == 1)
        return 0;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int result = getaddrinfo(host, nullptr, &hints, &found);
    if (result != 0)
        return result;
    result = EAI_NONAME;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            *address = reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr;
            result = 0;
            break;
        }
    }
    freeaddrinfo(found);
    return result;
}

std::string NumericHost(const sockaddr* address, socklen_t length) {
    char text[NI_MAXHOST];
    if (getnameinfo(address, length, text, sizeof text, nullptr, 0, NI_NUMERICHOST) != 0)
        return std::string();
    return text;
}

const char* ResolveErrorText(int code) noexcept {
    return gai_strerror(code);
}

} // namespace platform
