#include "tests/support/testserver/ReceivedMessage.h"

namespace testsupport {

std::string ReceivedMessage::Describe() const {
    if (message)
        return testsupport::Describe(*message);
    const char* name = ClientMessageName(type);
    std::string text = name ? std::string(name) : "type " + std::to_string(type);
    return text + " (" + std::to_string(payload.size()) + " body bytes) malformed: " + error;
}

} // namespace testsupport
