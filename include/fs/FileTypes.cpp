#include "include/fs/FileTypes.h"

#include <iterator>

namespace {

constexpr size_t kExtensionChars = 4;
constexpr const char* kMusicExtensions[] = {".mp3", ".m4a"};
constexpr const char* kMp3Extensions[] = {".mp3"};
constexpr const char* kM4aExtensions[] = {".m4a"};
constexpr const char* kPlaylistExtensions[] = {".m3u"};

wchar_t AsciiLower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// The extensions are ASCII, so a character outside ASCII (several bytes in
// UTF-8) never matches; comparing characters spares a conversion per name.
bool EqualsAsciiNoCase(const wchar_t* tail, const char* extension) {
    size_t i = 0;
    for (; i < kExtensionChars && extension[i] != '\0'; ++i) {
        if (AsciiLower(tail[i]) != AsciiLower(static_cast<wchar_t>(static_cast<unsigned char>(extension[i]))))
            return false;
    }
    return i == kExtensionChars && extension[i] == '\0';
}

} // namespace

bool HasExtension(const std::wstring& name, const char* const* extensions, size_t count) {
    if (name.size() < kExtensionChars)
        return false;
    const wchar_t* tail = name.data() + name.size() - kExtensionChars;
    for (size_t i = 0; i < count; ++i) {
        if (EqualsAsciiNoCase(tail, extensions[i]))
            return true;
    }
    return false;
}

bool isMusicFile(const std::wstring& name) {
    return HasExtension(name, kMusicExtensions, std::size(kMusicExtensions));
}

bool IsMp3File(const std::wstring& name) {
    return HasExtension(name, kMp3Extensions, std::size(kMp3Extensions));
}

bool IsM4aFile(const std::wstring& name) {
    return HasExtension(name, kM4aExtensions, std::size(kM4aExtensions));
}

bool IsPlaylistFile(const std::wstring& name) {
    return HasExtension(name, kPlaylistExtensions, std::size(kPlaylistExtensions));
}

std::wstring NameWithoutExtension(const std::wstring& name) {
    return name.size() > kExtensionChars ? name.substr(0, name.size() - kExtensionChars) : std::wstring();
}
