#include "platform/lib/expat/ExpatParser.h"

#include <climits>

namespace platform {

ExpatParser::ExpatParser() noexcept : m_parser(XML_ParserCreate(nullptr)) {}

ExpatParser::~ExpatParser() {
    if (m_parser)
        XML_ParserFree(m_parser);
}

void ExpatParser::SetHandlers(void* userData, XML_StartElementHandler start, XML_EndElementHandler end,
                              XML_CharacterDataHandler characters) noexcept {
    if (!m_parser)
        return;
    XML_SetUserData(m_parser, userData);
    XML_SetElementHandler(m_parser, start, end);
    XML_SetCharacterDataHandler(m_parser, characters);
}

bool ExpatParser::Parse(const char* data, size_t length, bool isFinal) noexcept {
    if (!m_parser || length > static_cast<size_t>(INT_MAX))
        return false;
    return XML_Parse(m_parser, data, static_cast<int>(length), isFinal ? 1 : 0) == XML_STATUS_OK;
}

int ExpatParser::ErrorCode() const noexcept {
    return m_parser ? static_cast<int>(XML_GetErrorCode(m_parser)) : static_cast<int>(XML_ERROR_NO_MEMORY);
}

const char* ExpatParser::ErrorText() const noexcept {
    const char* text = XML_ErrorString(static_cast<XML_Error>(ErrorCode()));
    return text ? text : "";
}

} // namespace platform
