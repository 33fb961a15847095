// One frame the test server received from the program, as sent and as
// decoded.
#pragma once

#include "tests/support/testserver/MessageCatalogue.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>

namespace testsupport {

struct ReceivedMessage {
    // Connections are numbered from 1 in accept order over both ports.
    uint64_t connection = 0;
    // Accepted on the redirector's port.
    bool viaRedirector = false;
    uint16_t type = 0;
    // The frame's length field (payload + 4 when the sender counted right).
    uint16_t declaredLength = 0;
    std::string payload;
    // None when the body was malformed or the type unknown; `error` says why.
    std::optional<ClientMessage> message;
    std::string error;

    bool Is(ClientMsg expected) const { return type == static_cast<uint16_t>(expected); }
    // The decoded message when it is a T, else null.
    template <class T> const T* As() const { return message ? std::get_if<T>(&*message) : nullptr; }
    // Readable line: the decoded message, or the type, length and fault.
    std::string Describe() const;
};

} // namespace testsupport
