// The fingerprint child ("Melvane /fp"): reads one path from its standard
// input, computes that file's metadata and print in its own process, writes
// the seconds and the print text to its standard output and ends. Decoding a
// damaged file can hang or crash; only this process suffers then.
#pragma once

class Buf;

// Buffer sizes of the child's request and reply.
constexpr int kPrintChildRequestBytes = 8192;
constexpr int kPrintChildReplyBytes = 10240;
// The watchdog ends a child still running after this long.
constexpr unsigned kPrintTimeoutSecs = 60;

// The child's whole life; ends the process with code 1 for an empty request.
void FingerprintChildMain();

// The reply to one request: u32 seconds, then the print text. False, with
// nothing written, when the request holds no path.
[[nodiscard]] bool HandleFingerprintRequest(Buf& request, Buf& reply);
