#include "client/media/Mp4Cover.h"

#include "client/media/FileMetaData.h"
#include "include/log/Logger.h"

#include <mp4coverart.h>
#include <mp4tag.h>

namespace {

constexpr char kCoverItem[] = "covr";

} // namespace

bool ChooseMp4Cover(const TagLib::MP4::Tag& tag, std::vector<unsigned char>& bytes, std::string& mimeType) {
    if (!tag.contains(kCoverItem))
        return false;
    const TagLib::MP4::CoverArtList pictures = tag.item(kCoverItem).toCoverArtList();
    if (pictures.isEmpty())
        return false;
    const TagLib::MP4::CoverArt& first = pictures.front();
    const TagLib::ByteVector data = first.data();
    const bool sizeOk =
        data.size() >= FileMetaData::kMinArtBytes && data.size() <= FileMetaData::kMaxArtBytes;
    if (sizeOk && first.format() == TagLib::MP4::CoverArt::JPEG) {
        mimeType = "image/jpeg";
    } else if (sizeOk && first.format() == TagLib::MP4::CoverArt::PNG) {
        mimeType = "image/png";
    } else {
        MVLOG(LOG_ERR, "Image type %i, and %i bytes, no format match", static_cast<int>(first.format()),
              static_cast<int>(data.size()));
        return false;
    }
    bytes.assign(data.begin(), data.end());
    return true;
}
