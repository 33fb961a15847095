// Feeds the text and path helpers (UTF-8 conversions, trimming, tokenizing,
// case-insensitive comparison, path splitting and joining, the relative-path
// check and the formatting of user-visible texts with server text) and
// checks the properties their callers rely on. Input: a capacity byte, a
// text id byte, a flags byte, then up to three parts separated by NUL bytes:
// two texts (UTF-8) and a run of raw 32-bit characters.
#include "include/fs/PathUtil.h"
#include "include/text/AppStrings.h"
#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"
#include "tests/fuzz/support/FuzzInput.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using fuzzsupport::FuzzInput;

namespace {

constexpr size_t kMaxFormattedChars = 8191;
constexpr uint8_t kKeepDoubleLead = 0x01;
constexpr uint8_t kLongArgument = 0x02;

bool IsEncodable(wchar_t c) {
    const auto cp = static_cast<uint32_t>(c);
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Decoding gives only encodable characters and keeps what it does not
// replace; encoding and decoding again changes nothing.
void CheckUtf8(const std::string& bytes) {
    const std::wstring wide = Utf8ToWide(bytes);
    for (wchar_t c : wide)
        FUZZ_CHECK(IsEncodable(c));
    if (wide.find(kReplacementChar) == std::wstring::npos)
        FUZZ_CHECK(WideToUtf8(wide) == bytes);
    FUZZ_CHECK(Utf8ToWide(WideToUtf8(wide)) == wide);
}

// Any wide text encodes, with U+FFFD for what has no UTF-8 form; the
// allocation-free form is the longest whole-character prefix that fits.
void CheckRawWide(const std::wstring& raw, size_t capacity) {
    const std::string utf8 = WideToUtf8(raw);
    FUZZ_CHECK(Utf8Length(raw) == utf8.size());
    std::wstring expected = raw;
    for (wchar_t& c : expected)
        c = IsEncodable(c) ? c : kReplacementChar;
    FUZZ_CHECK(Utf8ToWide(utf8) == expected);

    std::vector<char> out(capacity + 1, '\x7F');
    const size_t written = WideToUtf8Into(raw.data(), raw.size(), out.data(), capacity);
    FUZZ_CHECK(written <= capacity && out[capacity] == '\x7F');
    FUZZ_CHECK(std::memcmp(out.data(), utf8.data(), written) == 0);
    size_t whole = 0;
    for (wchar_t c : raw) {
        const size_t next = whole + Utf8Length(std::wstring(1, c));
        if (next > capacity)
            break;
        whole = next;
    }
    FUZZ_CHECK(written == whole);
}

// Trimming removes only characters of the set, and leaves none at the ends.
template <typename String>
void CheckTrimmed(const String& original, const String& trimmed, const String& set) {
    const size_t at = original.find(trimmed);
    FUZZ_CHECK(at != String::npos);
    if (trimmed.empty()) {
        FUZZ_CHECK(original.find_first_not_of(set) == String::npos);
        return;
    }
    FUZZ_CHECK(set.find(trimmed.front()) == String::npos && set.find(trimmed.back()) == String::npos);
    FUZZ_CHECK(original.find_first_not_of(set) == at);
    FUZZ_CHECK(original.find_last_not_of(set) == at + trimmed.size() - 1);
}

// Tokens are never empty and hold no delimiter, except the two a kept double
// lead puts before the first; together they are the text without delimiters.
void CheckTokens(const std::wstring& text, const std::wstring& delimiters, bool keepDoubleLead) {
    const std::vector<std::wstring> tokens = TokenizeString(text, delimiters, keepDoubleLead);
    std::wstring joined, stripped;
    for (size_t i = 0; i < tokens.size(); ++i) {
        std::wstring token = tokens[i];
        FUZZ_CHECK(!token.empty());
        if (i == 0 && keepDoubleLead && token.size() > 2 && delimiters.find(token[0]) != std::wstring::npos) {
            FUZZ_CHECK(delimiters.find(token[1]) != std::wstring::npos);
            token.erase(0, 2);
        }
        FUZZ_CHECK(token.find_first_of(delimiters) == std::wstring::npos);
        joined += token;
    }
    for (wchar_t c : text) {
        if (delimiters.find(c) == std::wstring::npos)
            stripped += c;
    }
    FUZZ_CHECK(joined == stripped);
}

void CheckCaseInsensitive(std::wstring a, std::wstring b) {
    const int ab = CompareNoCase(a, b);
    FUZZ_CHECK(ab == -CompareNoCase(b, a) && CompareNoCase(a, a) == 0);
    const bool equal = EqualsNoCase(a, b);
    FUZZ_CHECK(equal == (ab == 0));
    ToLowerW(a);
    ToLowerW(b);
    FUZZ_CHECK(equal == (a == b));
}

// A path passes the check exactly when it is relative, free of control
// characters (C0, DEL and C1) and backslashes, and already in normal form (no empty, "." or ".." element, no
// trailing '/'), so that it stays inside whatever folder it is joined to. A
// safe file name is such a path of one element.
void CheckRelativePath(const std::wstring& path) {
    bool plain = !path.empty() && path.front() != L'/' && path.back() != L'/';
    for (wchar_t c : path)
        plain = plain && c >= 0x20 && !(c >= 0x7F && c <= 0x9F) && c != L'\\';
    const std::string joined = WideToUtf8(PathJoin(L"/base", path));
    const bool normal = std::filesystem::path(joined).lexically_normal().native() == joined;
    const bool valid = ValidateRelativePath(path);
    FUZZ_CHECK(valid == (plain && normal));
    FUZZ_CHECK(IsSafeFileName(path) == (valid && path.find(L'/') == std::wstring::npos));
}

void CheckPathSplitting(const std::wstring& path, const std::wstring& other) {
    std::wstring dir = L"unset", name = L"unset";
    const size_t slash = path.rfind(L'/');
    if (SplitPath(path, dir, name)) {
        FUZZ_CHECK(slash != std::wstring::npos && slash > 0 && dir + L"/" + name == path);
        FUZZ_CHECK(name.find(L'/') == std::wstring::npos);
    } else {
        FUZZ_CHECK((slash == std::wstring::npos || slash == 0) && dir == L"unset" && name == L"unset");
    }
    std::wstring head, tail;
    if (SplitUrlPath(path, head, tail))
        FUZZ_CHECK(head + L"/" + tail == path && tail.find(L'/') == std::wstring::npos);
    else
        FUZZ_CHECK(slash == std::wstring::npos);

    // A name joined to a folder splits off again.
    if (!path.empty() && path.back() != L'/' && IsSafeFileName(other)) {
        FUZZ_CHECK(SplitPath(PathJoin(path, other), dir, name) && dir == path && name == other);
    }
    FUZZ_CHECK(IsRelativePath(path) == (path.empty() || path[0] != L'/'));
    const int order = PathCompare(path, other);
    FUZZ_CHECK(order == -PathCompare(other, path) && (order == 0) == (path == other));
}

// Server text fills the slots as it stands: it is never read as a format.
void CheckFormat(int id, const std::wstring& first, const std::wstring& second) {
    const std::wstring formatted = FormatAppString(id, {first, second});
    FUZZ_CHECK(formatted.size() <= kMaxFormattedChars);
    const std::wstring markers = FormatAppString(id, {L"\x01", L"\x02"});
    const bool firstSlot = markers.find(L'\x01') != std::wstring::npos;
    const bool secondSlot = markers.find(L'\x02') != std::wstring::npos;
    const size_t expected = FormatAppString(id, {L"", L""}).size() + (firstSlot ? first.size() : 0) +
                            (secondSlot ? second.size() : 0);
    FUZZ_CHECK(formatted.size() == (expected < kMaxFormattedChars ? expected : kMaxFormattedChars));
    if (firstSlot && expected < kMaxFormattedChars)
        FUZZ_CHECK(formatted.find(first) != std::wstring::npos);
}

struct Parts {
    std::string first;
    std::string second;
    std::wstring raw;
};

Parts Split(const std::string& rest) {
    Parts parts;
    const size_t end1 = rest.find('\0');
    parts.first = rest.substr(0, end1);
    if (end1 == std::string::npos)
        return parts;
    const size_t end2 = rest.find('\0', end1 + 1);
    parts.second = rest.substr(end1 + 1, end2 == std::string::npos ? end2 : end2 - end1 - 1);
    if (end2 == std::string::npos)
        return parts;
    for (size_t i = end2 + 1; i + 4 <= rest.size(); i += 4) {
        uint32_t value = 0;
        std::memcpy(&value, rest.data() + i, 4);
        parts.raw += static_cast<wchar_t>(value);
    }
    return parts;
}

std::string Seed(uint8_t capacity, uint8_t id, uint8_t flags, const std::string& first,
                 const std::string& second, const std::vector<uint32_t>& raw = {}) {
    std::string seed{static_cast<char>(capacity), static_cast<char>(id), static_cast<char>(flags)};
    seed += first + '\0' + second + '\0';
    for (uint32_t value : raw)
        seed.append(reinterpret_cast<const char*>(&value), 4);
    return seed;
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    return {
        Seed(8, AS_FINISHED_TRANSFER, 0, "Road Trip: Caf\xC3\xA9", "sending", {0x41, 0xE9, 0x20AC, 0x1F3B5}),
        Seed(3, AS_SAVED_PLAYLIST, 0, "%s %% %n \xE6\x97\xA5\xE6\x9C\xAC", "Melvane Playlists"),
        Seed(5, AS_DELETED_PLAYLIST, kLongArgument, "100%s", "%s", {0xD800, 0x110000, 0xFFFFFFFF, 0xFFFD}),
        Seed(0, AS_VERSION_TOO_OLD_WITH_VERSION, 0, "3.0.1.46-win", ""),
        Seed(16, AS_APP_NAME, 0, "Album/Disc 1/01 Song.mp3", "01 Song.mp3"),
        Seed(16, AS_ONLINE, 0, "../etc/passwd", "a//b/./c/"),
        Seed(16, AS_OFFLINE, kKeepDoubleLead, "\\\\host\\share\\Music", "\\"),
        Seed(16, AS_SENDING, kKeepDoubleLead, "///a//b/", "/"),
        Seed(4, AS_DOWNLOADING, 0, "bad \xC0\xAF \xED\xA0\x80 \xF4\x90\x80\x80 \x80 \xE2\x82",
             "tab\there\x7F"),
        Seed(4, AS_ERROR_TITLE, 0, "\xC3\x84pfel \xC3\xB6L", "\xC3\xA4PFEL \xC3\x96l"),
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const size_t capacity = input.Byte();
    const int id = input.Byte() % AS_COUNT;
    const uint8_t flags = input.Byte();
    const std::string rest = input.Rest();
    const Parts parts = Split(rest);
    const std::wstring first = Utf8ToWide(parts.first);
    const std::wstring second = Utf8ToWide(parts.second);

    CheckUtf8(rest);
    CheckRawWide(parts.raw, capacity);

    std::wstring trimmed = first;
    TrimString(trimmed, second);
    CheckTrimmed(first, trimmed, second);
    std::string trimmedA = parts.first;
    TrimStringA(trimmedA, parts.second);
    CheckTrimmed(parts.first, trimmedA, parts.second);
    CheckTokens(first, second, flags & kKeepDoubleLead);
    CheckCaseInsensitive(first, second);
    CheckCaseInsensitive(first, parts.raw);

    CheckRelativePath(first);
    CheckPathSplitting(first, second);

    std::wstring argument = first;
    if ((flags & kLongArgument) && !argument.empty()) {
        while (argument.size() <= kMaxFormattedChars)
            argument += argument;
    }
    CheckFormat(id, argument, second);
    return 0;
}
