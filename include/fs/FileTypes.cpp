#include "include/fs/FileTypes.h"

#include "include/text/Utf8.h"

#include <iterator>

namespace {

constexpr size_t kExtensionChars = 4;
constexpr const char* kMusicExtensions[] = {".mp3", ".m4a"};
constexpr const char* kMp3Extensions[] = {".mp3"};
constexpr const char* kM4aExtensions[] = {".m4a"};
constexpr const char* kPlaylistExtensions[] = {".m3u"};

char AsciiLower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualsAsciiNoCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

} // namespace

bool HasExtension(const std::wstring& name, const char* const* extensions, size_t count) {
    if (name.size() < kExtensionChars)
        return false;
    const std::string tail = WideToUtf8(name.substr(name.size() - kExtensionChars));
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
