#include "tests/support/testserver/FieldVisitors.h"

#include <cstdio>

namespace testsupport::detail {
namespace {

constexpr size_t kShownTextBytes = 200;
constexpr size_t kShownBlobBytes = 16;

std::string Hex(uint8_t byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02x", byte);
    return text;
}

} // namespace

void TextVisitor::Add(const char* name, const std::string& value) {
    if (!m_text.empty())
        m_text += ' ';
    m_text += name;
    m_text += '=';
    m_text += value;
}

std::string TextVisitor::Quote(const std::string& text) {
    std::string quoted = "\"";
    for (size_t i = 0; i < text.size() && i < kShownTextBytes; ++i) {
        uint8_t byte = static_cast<uint8_t>(text[i]);
        if (byte == '"' || byte == '\\')
            quoted += std::string("\\") + char(byte);
        else if (byte < 0x20 || byte == 0x7F)
            quoted += "\\x" + Hex(byte);
        else
            quoted += char(byte);
    }
    quoted += '"';
    if (text.size() > kShownTextBytes)
        quoted += "...(" + std::to_string(text.size()) + " bytes)";
    return quoted;
}

void TextVisitor::Blob32(const char* name, const std::string& bytes) {
    std::string text = "<" + std::to_string(bytes.size()) + " bytes";
    for (size_t i = 0; i < bytes.size() && i < kShownBlobBytes; ++i)
        text += " " + Hex(static_cast<uint8_t>(bytes[i]));
    if (bytes.size() > kShownBlobBytes)
        text += " ...";
    Add(name, text + ">");
}

} // namespace testsupport::detail
