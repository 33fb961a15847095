// Owns one Expat parser (XML_Parser), freed when the owner goes. Results are
// Expat's own; nothing logs.
#pragma once

#include <expat.h>

#include <cstddef>

namespace platform {

class ExpatParser {
  public:
    // The encoding is taken from the document (UTF-8 when it names none).
    ExpatParser() noexcept;
    ~ExpatParser();
    ExpatParser(const ExpatParser&) = delete;
    ExpatParser& operator=(const ExpatParser&) = delete;

    // False when the parser could not be created (no memory).
    bool IsValid() const noexcept { return m_parser != nullptr; }
    // `userData` is handed to every handler.
    void SetHandlers(void* userData, XML_StartElementHandler start, XML_EndElementHandler end,
                     XML_CharacterDataHandler characters) noexcept;
    // Parses the next piece; `isFinal` on the last. False on a parse error
    // (ErrorCode and ErrorText tell which).
    [[nodiscard]] bool Parse(const char* data, size_t length, bool isFinal) noexcept;
    int ErrorCode() const noexcept;
    const char* ErrorText() const noexcept;

  private:
    XML_Parser m_parser = nullptr;
};

} // namespace platform
