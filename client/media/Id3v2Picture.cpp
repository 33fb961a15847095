#include "client/media/Id3v2Picture.h"

#include "client/media/FileMetaData.h"

#include <attachedpictureframe.h>
#include <id3v2tag.h>

namespace {

bool IsCoverMimeType(const TagLib::String& mimeType) {
    return mimeType == "image/jpg" || mimeType == "image/jpeg" || mimeType == "image/png";
}

} // namespace

bool ChooseId3v2Picture(const TagLib::ID3v2::Tag& tag, std::vector<unsigned char>& bytes,
                        std::string& mimeType) {
    const auto& frames = tag.frameListMap();
    const auto found = frames.find("APIC");
    if (found == frames.end())
        return false;
    for (const TagLib::ID3v2::Frame* frame : found->second) {
        const auto* picture = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
        if (!picture || !IsCoverMimeType(picture->mimeType()))
            continue;
        const TagLib::ByteVector data = picture->picture();
        if (data.size() < FileMetaData::kMinArtBytes || data.size() > FileMetaData::kMaxArtBytes)
            continue;
        bytes.assign(data.begin(), data.end());
        mimeType = picture->mimeType().to8Bit(false);
        return true;
    }
    return false;
}
