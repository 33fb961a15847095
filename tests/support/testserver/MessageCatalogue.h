// All messages of the server protocol in both directions: their variants,
// names, encoding into frames and decoding from frame bodies.
#pragma once

#include "tests/support/testserver/ClientMessages.h"
#include "tests/support/testserver/MessageTypes.h"
#include "tests/support/testserver/ServerMessages.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace testsupport {

using ServerMessage =
    std::variant<msg::Redirect, msg::Ping, msg::FileListingRequest, msg::Transfer, msg::AbortTransfer,
                 msg::AccountStatus, msg::PlayFile, msg::Echo, msg::AccountCheckResult, msg::DeleteTempFile,
                 msg::PlayList, msg::SecurityString, msg::ServerText, msg::Upgrade, msg::SendLog,
                 msg::Ignored60, msg::SongInfo, msg::FileDetailsRequest, msg::Ignored63, msg::SavePlaylist,
                 msg::NewFileAck, msg::StatusRequest, msg::PlaycountSettings, msg::Rescan, msg::StartChanges,
                 msg::ConnectStream, msg::DeletePlaylist, msg::ShowFolders, msg::ImportItunesPlaylists>;

using ClientMessage =
    std::variant<msg::Hello, msg::FileRemoved, msg::Status, msg::TransferStatus, msg::Pong, msg::AccountCheck,
                 msg::FileDetails, msg::TempFileDeleted, msg::SecurityStringRequest, msg::EchoReply,
                 msg::SyncComplete, msg::NewFile, msg::LocalPort, msg::PlayCounts, msg::SharesChanged,
                 msg::Playlist>;

// A decoded body, or why it could not be decoded (short body, bytes left
// over after the last field, a count or kind out of range, unknown type).
template <class Message> struct Decoded {
    std::optional<Message> message;
    std::string error;
    bool Ok() const { return message.has_value(); }
};

uint16_t TypeOf(const ServerMessage& message);
uint16_t TypeOf(const ClientMessage& message);

// The body alone, and the whole frame.
std::string EncodeBody(const ServerMessage& message);
std::string EncodeBody(const ClientMessage& message);
std::string FrameOf(const ServerMessage& message);
std::string FrameOf(const ClientMessage& message);

// Reads exactly `body`; every byte must belong to a field.
Decoded<ServerMessage> DecodeServerMessage(uint16_t type, std::string_view body);
Decoded<ClientMessage> DecodeClientMessage(uint16_t type, std::string_view body);

// "MSG_..." or nullptr for a number that is no message in that direction.
const char* ServerMessageName(uint16_t type);
const char* ClientMessageName(uint16_t type);

// One readable line: the name and every field.
std::string Describe(const ServerMessage& message);
std::string Describe(const ClientMessage& message);

} // namespace testsupport
