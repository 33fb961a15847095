#include "tests/support/testserver/MessageCatalogue.h"

#include "tests/support/testserver/FieldVisitors.h"
#include "tests/support/testserver/Frame.h"

#include <utility>

namespace testsupport {
namespace {

template <class Message> std::string EncodeOne(const Message& message) {
    WireWriter out;
    detail::EncodeVisitor visitor(out);
    Message::Fields(visitor, message);
    return out.Take();
}

template <class Message> std::string DescribeOne(const Message& message) {
    detail::TextVisitor visitor;
    Message::Fields(visitor, message);
    std::string text = Message::NAME;
    if (!visitor.Text().empty())
        text += " " + visitor.Text();
    return text;
}

template <class Variant, class Message> void DecodeOne(std::string_view body, Decoded<Variant>& result) {
    Message message;
    WireReader in(body);
    detail::DecodeVisitor visitor(in);
    Message::Fields(visitor, message);
    if (in.Failed()) {
        result.error = in.Error();
    } else if (in.Remaining() > 0) {
        result.error = std::to_string(in.Remaining()) + " bytes left after the body (" +
                       std::to_string(in.Offset()) + " read of " + std::to_string(body.size()) + ")";
    } else {
        result.message = std::move(message);
    }
}

template <class Variant, size_t... I>
Decoded<Variant> DecodeByType(uint16_t type, std::string_view body, std::index_sequence<I...>) {
    Decoded<Variant> result;
    bool known = false;
    auto tryOne = [&]<class Message>(Message*) {
        if (!known && static_cast<uint16_t>(Message::TYPE) == type) {
            known = true;
            DecodeOne<Variant, Message>(body, result);
        }
    };
    (tryOne(static_cast<std::variant_alternative_t<I, Variant>*>(nullptr)), ...);
    if (!known)
        result.error = "unknown message type " + std::to_string(type);
    return result;
}

template <class Variant, size_t... I> const char* NameByType(uint16_t type, std::index_sequence<I...>) {
    const char* name = nullptr;
    auto tryOne = [&]<class Message>(Message*) {
        if (!name && static_cast<uint16_t>(Message::TYPE) == type)
            name = Message::NAME;
    };
    (tryOne(static_cast<std::variant_alternative_t<I, Variant>*>(nullptr)), ...);
    return name;
}

template <class Variant> Decoded<Variant> Decode(uint16_t type, std::string_view body) {
    return DecodeByType<Variant>(type, body, std::make_index_sequence<std::variant_size_v<Variant>>());
}

template <class Variant> const char* Name(uint16_t type) {
    return NameByType<Variant>(type, std::make_index_sequence<std::variant_size_v<Variant>>());
}

} // namespace

uint16_t TypeOf(const ServerMessage& message) {
    return std::visit([](const auto& m) { return static_cast<uint16_t>(m.TYPE); }, message);
}

uint16_t TypeOf(const ClientMessage& message) {
    return std::visit([](const auto& m) { return static_cast<uint16_t>(m.TYPE); }, message);
}

std::string EncodeBody(const ServerMessage& message) {
    return std::visit([](const auto& m) { return EncodeOne(m); }, message);
}

std::string EncodeBody(const ClientMessage& message) {
    return std::visit([](const auto& m) { return EncodeOne(m); }, message);
}

std::string FrameOf(const ServerMessage& message) {
    return EncodeFrame(TypeOf(message), EncodeBody(message));
}

std::string FrameOf(const ClientMessage& message) {
    return EncodeFrame(TypeOf(message), EncodeBody(message));
}

Decoded<ServerMessage> DecodeServerMessage(uint16_t type, std::string_view body) {
    return Decode<ServerMessage>(type, body);
}

Decoded<ClientMessage> DecodeClientMessage(uint16_t type, std::string_view body) {
    return Decode<ClientMessage>(type, body);
}

const char* ServerMessageName(uint16_t type) {
    return Name<ServerMessage>(type);
}

const char* ClientMessageName(uint16_t type) {
    return Name<ClientMessage>(type);
}

std::string Describe(const ServerMessage& message) {
    return std::visit([](const auto& m) { return DescribeOne(m); }, message);
}

std::string Describe(const ClientMessage& message) {
    return std::visit([](const auto& m) { return DescribeOne(m); }, message);
}

} // namespace testsupport
