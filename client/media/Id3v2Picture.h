// The cover picture of an ID3v2 tag: the first "APIC" frame of a JPEG or PNG
// type whose picture is of an acceptable size.
#pragma once

#include <string>
#include <vector>

namespace TagLib::ID3v2 {
class Tag;
}

// True with the picture's bytes and MIME type when a frame qualifies.
[[nodiscard]] bool ChooseId3v2Picture(const TagLib::ID3v2::Tag& tag, std::vector<unsigned char>& bytes,
                                      std::string& mimeType);
