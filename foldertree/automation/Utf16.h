// UTF-8 <-> UTF-16 for the automation layer's strings. Invalid input becomes
// U+FFFD, never an error.
#pragma once

#include <string>
#include <string_view>

namespace ax {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Compares two member or property names ignoring the case of ASCII letters,
// as name lookup in a dispatch interface does.
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

} // namespace ax
