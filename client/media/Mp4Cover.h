// The cover picture of an MPEG-4 tag: the first picture of its "covr" item,
// when it is a JPEG or PNG of an acceptable size.
#pragma once

#include <string>
#include <vector>

namespace TagLib::MP4 {
class Tag;
}

// True with the picture's bytes and MIME type when the first picture
// qualifies; later pictures are never looked at.
[[nodiscard]] bool ChooseMp4Cover(const TagLib::MP4::Tag& tag, std::vector<unsigned char>& bytes,
                                  std::string& mimeType);
