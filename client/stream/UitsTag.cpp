#include "client/stream/UitsTag.h"

#include "include/log/Logger.h"
#include "include/text/Utf8.h"

#include <id3v2header.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <privateframe.h>

#include <exception>
#include <memory>
#include <vector>

namespace {

constexpr char kPrivFrameId[] = "PRIV";
constexpr wchar_t kLastLatin1 = 0xFF;

std::string ToLatin1(const std::wstring& text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text)
        bytes += c >= 0 && c <= kLastLatin1 ? static_cast<char>(c) : '?';
    return bytes;
}

// The file's tag is saved as the version it already has (TagLib writes 2.3
// and 2.4; an older tag becomes 2.4).
bool SaveId3v2(TagLib::MPEG::File& file, const TagLib::ID3v2::Tag& tag) {
    const TagLib::ID3v2::Version version =
        tag.header()->majorVersion() == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
    return file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, version,
                     TagLib::File::DoNotDuplicate);
}

// Takes the PRIV frames of `owner` out of the tag and deletes them.
void RemovePrivFrames(TagLib::ID3v2::Tag& tag, const TagLib::String& owner) {
    std::vector<TagLib::ID3v2::Frame*> doomed;
    for (TagLib::ID3v2::Frame* frame : tag.frameList(kPrivFrameId)) {
        auto* priv = dynamic_cast<TagLib::ID3v2::PrivateFrame*>(frame);
        if (priv && priv->owner() == owner) {
            MVLOG(LOG_INFO, "Removing existing priv tag with owner %s", owner.to8Bit(true).c_str());
            doomed.push_back(frame);
        }
    }
    for (TagLib::ID3v2::Frame* frame : doomed)
        tag.removeFrame(frame, true);
}

bool Embed(const std::wstring& path, const std::wstring& owner, const std::wstring& tagText,
           bool removeExisting) {
    const std::string utf8 = WideToUtf8(path);
    TagLib::MPEG::File file(utf8.c_str(), false);
    TagLib::ID3v2::Tag* tag = file.isValid() && file.hasID3v2Tag() ? file.ID3v2Tag(false) : nullptr;
    if (!tag)
        return false;
    const TagLib::String ownerText(ToLatin1(owner), TagLib::String::Latin1);
    if (removeExisting)
        RemovePrivFrames(*tag, ownerText);
    MVLOG(LOG_INFO, "Adding priv tag to %ls", path.c_str());
    const std::string data = ToLatin1(tagText);
    auto frame = std::make_unique<TagLib::ID3v2::PrivateFrame>();
    frame->setOwner(ownerText);
    frame->setData(TagLib::ByteVector(data.data(), static_cast<unsigned int>(data.size())));
    tag->addFrame(frame.release());
    return SaveId3v2(file, *tag);
}

} // namespace

bool EmbedUitsTag(const std::wstring& path, const std::wstring& owner, const std::wstring& tag,
                  bool removeExisting) {
    if (owner.empty() || tag.empty())
        return false;
    try {
        return Embed(path, owner, tag, removeExisting);
    } catch (const std::exception& e) {
        MVLOG(LOG_ERR, "Tag library failed on %ls: %s", path.c_str(), e.what());
        return false;
    }
}
