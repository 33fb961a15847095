// How a new connection on a shared port says what it is: an HTTP request
// starts with "GET "; an application connection starts with a preamble of
// u32 size (the preamble's whole length), u32 1 and its connection id as a
// u16-prefixed UTF-8 string.
#pragma once

#include <cstdint>
#include <string>

class Buf;

constexpr int kMaxConnIdBytes = 1024;
constexpr uint32_t kPreambleVersion = 1;
// Size and version fields plus the id's length prefix.
constexpr uint32_t kPreambleFixedBytes = 10;
// Bytes needed before a connection can be told apart.
constexpr int kSniffMinBytes = 8;

enum SniffResult {
    SNIFF_NOT_YET,
    SNIFF_IDENTIFIED,
    SNIFF_BAD,
};

// Looks at a new connection's first bytes. An HTTP request is identified as
// the HTTP id and stays in the buffer; a preamble is consumed once it is all
// there, and nothing behind it. A preamble is SNIFF_BAD (the connection is
// closed) when its size is out of range, its version is not
// kPreambleVersion, or its id is empty, holds a NUL or does not end exactly
// where the size says.
SniffResult SniffHttp(Buf& in, std::wstring& connID);

// Queues the preamble announcing `connID`; false when the id is empty or too
// long or the preamble does not fit.
bool WriteConnPreamble(Buf& out, const std::wstring& connID);
