#include "include/text/Utf8.h"

#include <cstdint>

namespace {

bool IsEncodable(uint32_t cp) {
    return cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
}

// Writes the UTF-8 form of one code point into `out` (room for 4 bytes) and
// returns its length.
size_t EncodeOne(uint32_t cp, char* out) noexcept {
    if (!IsEncodable(cp))
        cp = kReplacementChar;
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    if (cp < 0x800) {
        out[0] = static_cast<char>(0xC0 | (cp >> 6));
        out[1] = static_cast<char>(0x80 | (cp & 0x3F));
        return 2;
    }
    if (cp < 0x10000) {
        out[0] = static_cast<char>(0xE0 | (cp >> 12));
        out[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out[2] = static_cast<char>(0x80 | (cp & 0x3F));
        return 3;
    }
    out[0] = static_cast<char>(0xF0 | (cp >> 18));
    out[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (cp & 0x3F));
    return 4;
}

} // namespace

size_t WideToUtf8Into(const wchar_t* wide, size_t length, char* out, size_t capacity) noexcept {
    size_t written = 0;
    char bytes[4];
    for (size_t i = 0; i < length; ++i) {
        size_t n = EncodeOne(static_cast<uint32_t>(wide[i]), bytes);
        if (written + n > capacity)
            break;
        for (size_t k = 0; k < n; ++k)
            out[written++] = bytes[k];
    }
    return written;
}

std::string CutUtf8(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    size_t end = maxBytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

size_t Utf8Length(const std::wstring& wide) noexcept {
    size_t total = 0;
    char bytes[4];
    for (wchar_t c : wide)
        total += EncodeOne(static_cast<uint32_t>(c), bytes);
    return total;
}

std::string WideToUtf8(const std::wstring& wide) {
    std::string result;
    result.reserve(wide.size());
    char bytes[4];
    for (wchar_t c : wide)
        result.append(bytes, EncodeOne(static_cast<uint32_t>(c), bytes));
    return result;
}

std::string WideToLocal(const std::wstring& wide) {
    return WideToUtf8(wide);
}

namespace {

// Decodes into `result`; false when some sequence was invalid (and replaced).
bool DecodeUtf8(const char* text, size_t n, std::wstring& result) {
    // No input byte gives more than one character, so the result is sized
    // once and written by position.
    result.resize(n);
    wchar_t* out = result.data();
    size_t written = 0;
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    bool clean = true;
    size_t i = 0;
    while (i < n) {
        unsigned char lead = s[i];
        if (lead < 0x80) {
            out[written++] = static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        size_t need;
        uint32_t cp;
        // The allowed range of the second byte rules out overlong forms,
        // surrogates and values past U+10FFFF.
        unsigned char lo = 0x80, hi = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            need = 1;
            cp = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 2;
            cp = lead & 0x0F;
            if (lead == 0xE0)
                lo = 0xA0;
            else if (lead == 0xED)
                hi = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 3;
            cp = lead & 0x07;
            if (lead == 0xF0)
                lo = 0x90;
            else if (lead == 0xF4)
                hi = 0x8F;
        } else {
            out[written++] = kReplacementChar;
            clean = false;
            ++i;
            continue;
        }
        size_t j = i + 1;
        size_t got = 0;
        while (got < need && j < n) {
            unsigned char c = s[j];
            unsigned char min = got == 0 ? lo : 0x80;
            unsigned char max = got == 0 ? hi : 0xBF;
            if (c < min || c > max)
                break;
            cp = (cp << 6) | (c & 0x3F);
            ++j;
            ++got;
        }
        // A broken sequence is replaced as one unit, and the byte that broke it
        // is decoded afresh.
        if (got == need) {
            out[written++] = static_cast<wchar_t>(cp);
        } else {
            out[written++] = kReplacementChar;
            clean = false;
        }
        i = j;
    }
    result.resize(written);
    return clean;
}

} // namespace

std::wstring Utf8ToWide(const std::string& utf8) {
    std::wstring result;
    (void)DecodeUtf8(utf8.data(), utf8.size(), result);
    return result;
}

bool Utf8ToWideStrict(std::string_view utf8, std::wstring& wide) {
    return DecodeUtf8(utf8.data(), utf8.size(), wide);
}

bool IsValidUtf8(const std::string& bytes) {
    std::wstring scratch;
    return DecodeUtf8(bytes.data(), bytes.size(), scratch);
}
