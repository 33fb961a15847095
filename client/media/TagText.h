// Tag texts as the record keeps them.
#pragma once

#include <string>

// At most FileMetaData::kMaxTagTextBytes bytes of UTF-8 text, cut before a
// character that would not fit whole.
std::string CutTagText(const std::string& text);
