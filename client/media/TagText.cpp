#include "client/media/TagText.h"

#include "client/media/FileMetaData.h"

std::string CutTagText(const std::string& text) {
    if (text.size() <= FileMetaData::kMaxTagTextBytes)
        return text;
    size_t cut = FileMetaData::kMaxTagTextBytes;
    // Back up over continuation bytes to the start of the split character.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return text.substr(0, cut);
}
