// Message types of the protocol between the program and the central server,
// and the protocol version this program speaks.
#pragma once

#include <cstdint>

constexpr uint32_t kProtocolVersion = 35;

// Server to client.
enum ServerMessageType : uint16_t {
    MSG_REDIRECT = 7,
    MSG_PING = 8,
    MSG_FILE_LISTING_REQUEST = 9,
    MSG_TRANSFER = 10,
    MSG_ABORT_TRANSFER = 11,
    MSG_ACCOUNT_STATUS = 14,
    MSG_PLAY_FILE = 15,
    MSG_ECHO = 16,
    MSG_ACCOUNT_CHECK_RESULT = 51,
    MSG_DELETE_TEMP_FILE = 52,
    MSG_PLAY_LIST = 53,
    MSG_SECURITY_STRING = 55,
    MSG_SERVER_TEXT = 56,
    MSG_UPGRADE = 58,
    MSG_SEND_LOG = 59,
    MSG_IGNORED_60 = 60,
    MSG_SONG_INFO = 61,
    MSG_FILE_DETAILS_REQUEST = 62,
    MSG_IGNORED_63 = 63,
    MSG_SAVE_PLAYLIST = 64,
    MSG_NEW_FILE_ACK = 65,
    MSG_STATUS_REQUEST = 66,
    MSG_PLAYCOUNT_SETTINGS = 67,
    MSG_RESCAN = 68,
    MSG_START_CHANGES = 69,
    MSG_CONNECT_STREAM = 70,
    MSG_DELETE_PLAYLIST = 71,
    MSG_SHOW_FOLDERS = 72,
    MSG_IMPORT_ITUNES_PLAYLISTS = 73,
};

// Client to server.
enum ClientMessageType : uint16_t {
    MSG_HELLO = 0,
    MSG_FILE_REMOVED = 4,
    MSG_STATUS = 5,
    MSG_TRANSFER_STATUS = 6,
    MSG_PONG = 7,
    MSG_ACCOUNT_CHECK = 31,
    MSG_FILE_DETAILS = 33,
    MSG_TEMP_FILE_DELETED = 34,
    MSG_SECURITY_STRING_REQUEST = 36,
    MSG_ECHO_REPLY = 37,
    MSG_SYNC_COMPLETE = 38,
    MSG_NEW_FILE = 39,
    MSG_LOCAL_PORT = 40,
    MSG_PLAYCOUNTS = 41,
    MSG_SHARES_CHANGED = 42,
    MSG_PLAYLIST = 43,
};

// String limits of incoming fields, in bytes.
constexpr int kMaxAddressBytes = 1024;
constexpr int kMaxSecurityStringBytes = 64;
constexpr int kMaxServerTextBytes = 1024;
constexpr int kMaxStreamAddressBytes = 64;
constexpr int kMaxConnIdBytes = 256;
constexpr int kMaxTransferAddressBytes = 256;
constexpr int kMaxFileNameBytes = 260;
constexpr int kMaxTransferTextBytes = 1024;
constexpr int kMaxSongTextBytes = 256;
constexpr int kMaxPlaylistTitleBytes = 256;
constexpr int kMaxUpgradeTextBytes = 1024;

// Bit of MSG_ACCOUNT_CHECK_RESULT's status: the text is the credential to keep.
constexpr uint32_t kAccountCheckHasCredential = 0x10;
// The result the connection gives a sign-in check the server never answered.
constexpr int kAccountCheckTimedOut = 32;
