// Reading u16-prefixed strings from a Buf that may hold only part of them
// (a message arriving in pieces).
#pragma once

#include <string>

class Buf;

// The string when it is wholly in the buffer (limit: the buffer's size), else
// "" with nothing consumed. A buffer holding no more than the two length bytes
// is taken as incomplete, so an empty string stays unread until more follows.
std::wstring TryReadWString(Buf& buf);
std::string TryReadString(Buf& buf);
