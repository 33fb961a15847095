// Automation strings: UTF-16 text with its byte length stored in the four
// bytes before the first character and a terminating zero. They are
// allocated with malloc, so whichever module receives one may free it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

namespace ax {

using BSTR = char16_t*;

// A copy of `length` units of `text` (zero-filled when `text` is null); null
// when the length is absurd or memory runs out.
BSTR AllocBstr(const char16_t* text, uint32_t length);
inline BSTR AllocBstr(std::u16string_view text) {
    return AllocBstr(text.data(), static_cast<uint32_t>(text.size()));
}
void FreeBstr(BSTR text);
// Length in UTF-16 units; 0 for null, which stands for the empty string.
uint32_t BstrLength(const char16_t* text);
inline std::u16string_view BstrView(const char16_t* text) {
    return text ? std::u16string_view(text, BstrLength(text)) : std::u16string_view();
}

// Owns one BSTR.
class Bstr {
  public:
    Bstr() noexcept = default;
    explicit Bstr(std::u16string_view text) : m_text(AllocBstr(text)) {}
    static Bstr FromUtf8(std::string_view text);
    static Bstr Attach(BSTR text) noexcept {
        Bstr owner;
        owner.m_text = text;
        return owner;
    }
    ~Bstr() { FreeBstr(m_text); }
    Bstr(Bstr&& other) noexcept : m_text(std::exchange(other.m_text, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            FreeBstr(m_text);
            m_text = std::exchange(other.m_text, nullptr);
        }
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const noexcept { return m_text; }
    // The slot itself, for a by-reference argument a callee may replace.
    BSTR* Address() noexcept { return &m_text; }
    BSTR Detach() noexcept { return std::exchange(m_text, nullptr); }
    std::u16string_view View() const noexcept { return BstrView(m_text); }
    std::string ToUtf8() const;

  private:
    BSTR m_text = nullptr;
};

} // namespace ax
