#include "tests/support/media/Mp3Fixture.h"

#include "tests/support/TempDir.h"
#include "tests/support/testserver/ProtocolChecks.h"

#include <attachedpictureframe.h>
#include <id3v1tag.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <privateframe.h>
#include <textidentificationframe.h>

#include <fstream>
#include <memory>

namespace testsupport {

namespace {

// MPEG-1, Layer III, no CRC; 128 kbit/s, 44100 Hz; mono.
const unsigned char kFrameHeader[4] = {0xFF, 0xFB, 0x90, 0xC0};

TagLib::String Utf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

TagLib::ID3v2::Frame* MakeFrame(const Id3Frame& spec) {
    if (spec.id == "TXXX")
        return new TagLib::ID3v2::UserTextIdentificationFrame(Utf8(spec.text), Utf8(spec.value));
    if (spec.id == "PRIV") {
        auto* frame = new TagLib::ID3v2::PrivateFrame();
        frame->setOwner(Utf8(spec.text));
        const std::string data = spec.value.empty() ? "data" : spec.value;
        frame->setData(TagLib::ByteVector(data.data(), static_cast<unsigned>(data.size())));
        return frame;
    }
    if (spec.id == "APIC") {
        auto* frame = new TagLib::ID3v2::AttachedPictureFrame();
        frame->setMimeType(Utf8(spec.text));
        const std::string picture = FixturePicture(spec.pictureBytes);
        frame->setPicture(TagLib::ByteVector(picture.data(), static_cast<unsigned>(picture.size())));
        return frame;
    }
    auto* frame =
        new TagLib::ID3v2::TextIdentificationFrame(TagLib::ByteVector(spec.id.c_str()), TagLib::String::UTF8);
    frame->setText(Utf8(spec.text));
    return frame;
}

// Four 7-bit groups, as ID3v2 sizes are written.
void PutSyncsafe(char* out, uint32_t value) {
    for (int i = 3; i >= 0; --i, value >>= 7)
        out[i] = static_cast<char>(value & 0x7F);
}

// An ID3v2.4 tag header for `bodyBytes` after it.
std::string TagHeader(uint32_t bodyBytes) {
    std::string header = std::string("ID3\x04\x00\x00", 6) + std::string(4, '\0');
    PutSyncsafe(&header[6], bodyBytes);
    return header;
}

std::string RenderedFrames(const std::vector<Id3Frame>& specs) {
    std::string bytes;
    for (const Id3Frame& spec : specs) {
        const std::unique_ptr<TagLib::ID3v2::Frame> frame(MakeFrame(spec));
        const TagLib::ByteVector rendered = frame->render();
        bytes.append(rendered.data(), rendered.size());
    }
    return bytes;
}

bool SaveTags(const std::string& path, const Mp3Tags& tags) {
    TagLib::MPEG::File file(path.c_str(), false);
    int kinds = TagLib::MPEG::File::NoTags;
    if (tags.v1) {
        TagLib::ID3v1::Tag* v1 = file.ID3v1Tag(true);
        v1->setTitle(Utf8(tags.v1Title));
        v1->setArtist(Utf8(tags.v1Artist));
        v1->setAlbum(Utf8(tags.v1Album));
        v1->setComment(Utf8(tags.v1Comment));
        kinds |= TagLib::MPEG::File::ID3v1;
    }
    if (tags.v2) {
        TagLib::ID3v2::Tag* v2 = file.ID3v2Tag(true);
        v2->setTitle(Utf8(tags.title));
        v2->setArtist(Utf8(tags.artist));
        v2->setAlbum(Utf8(tags.album));
        v2->setTrack(tags.track);
        for (const Id3Frame& spec : tags.frames)
            v2->addFrame(MakeFrame(spec));
        kinds |= TagLib::MPEG::File::ID3v2;
    }
    return file.save(kinds, TagLib::File::StripOthers, TagLib::ID3v2::v4, TagLib::File::DoNotDuplicate);
}

} // namespace

std::string Mp3Frames(int count) {
    std::string frame(kMp3FrameBytes, '\0');
    frame.replace(0, sizeof kFrameHeader, reinterpret_cast<const char*>(kFrameHeader), sizeof kFrameHeader);
    std::string frames;
    for (int i = 0; i < count; ++i)
        frames += frame;
    return frames;
}

std::string FixturePicture(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + size) % 256);
    return bytes;
}

bool WriteMp3(const std::string& path, const std::string& prefix, int frameCount, const Mp3Tags& tags) {
    WriteFileText(path, prefix + Mp3Frames(frameCount));
    if (!tags.v1 && !tags.v2)
        return true;
    return SaveTags(path, tags);
}

bool WriteMp3WithHollowPicture(const std::string& path, const std::vector<Id3Frame>& before,
                               uint32_t pictureBytes, const std::vector<Id3Frame>& after, int frameCount,
                               const std::string& junk) {
    constexpr size_t kHeaderBytes = 10;
    constexpr size_t kSizeAt = 6;
    constexpr size_t kFrameSizeAt = 4;
    TagLib::ID3v2::AttachedPictureFrame picture;
    picture.setMimeType("image/jpeg");
    const TagLib::ByteVector rendered = picture.render();
    std::string pictureHead(rendered.data(), rendered.size());
    PutSyncsafe(&pictureHead[kFrameSizeAt],
                static_cast<uint32_t>(pictureHead.size() - kHeaderBytes) + pictureBytes);
    std::string head = TagHeader(0) + RenderedFrames(before) + pictureHead;
    const std::string tail = RenderedFrames(after);
    PutSyncsafe(&head[kSizeAt],
                static_cast<uint32_t>(head.size() - kHeaderBytes + pictureBytes + tail.size()));
    head.insert(0, junk);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(head.data(), static_cast<std::streamsize>(head.size()));
    file.seekp(static_cast<std::streamoff>(head.size() + pictureBytes));
    const std::string rest = tail + Mp3Frames(frameCount);
    file.write(rest.data(), static_cast<std::streamsize>(rest.size()));
    return static_cast<bool>(file.flush());
}

std::string Id3v2TagOf(const std::vector<Id3Frame>& frames) {
    const std::string body = RenderedFrames(frames);
    return TagHeader(static_cast<uint32_t>(body.size())) + body;
}

std::string FalseFrameJunk() {
    return std::string(reinterpret_cast<const char*>(kFrameHeader), sizeof kFrameHeader) +
           std::string(96, 'j');
}

std::string PatternedMp3(int frames, size_t zeros) {
    std::string bytes(zeros, '\0');
    for (int i = 0; i < frames; ++i) {
        bytes.append(reinterpret_cast<const char*>(kFrameHeader), sizeof kFrameHeader);
        for (size_t j = sizeof kFrameHeader; j < kMp3FrameBytes; ++j)
            bytes += static_cast<char>((static_cast<size_t>(i) * 31 + j * 7) % 251);
    }
    return bytes;
}

size_t Id3v2Bytes(const std::string& file) {
    if (file.compare(0, 3, "ID3") != 0 || file.size() < 10)
        return 0;
    size_t length = 0;
    for (size_t i = 6; i < 10; ++i)
        length = (length << 7) | (static_cast<unsigned char>(file[i]) & 0x7F);
    return length + 10;
}

uint64_t Mp3FileSetId(const std::string& file, size_t audioStart) {
    const std::string audio = file.substr(audioStart);
    const std::string hex = Md5Hex(audio.substr(0, 4096) + std::to_string(audio.size()));
    return std::stoull(hex.substr(0, 16), nullptr, 16) >> 1;
}

std::vector<std::pair<std::string, std::string>> PrivFrames(const std::string& path) {
    TagLib::MPEG::File file(path.c_str(), false);
    std::vector<std::pair<std::string, std::string>> frames;
    if (!file.hasID3v2Tag())
        return frames;
    for (TagLib::ID3v2::Frame* frame : file.ID3v2Tag()->frameList("PRIV")) {
        if (auto* priv = dynamic_cast<TagLib::ID3v2::PrivateFrame*>(frame))
            frames.emplace_back(priv->owner().to8Bit(false),
                                std::string(priv->data().data(), priv->data().size()));
    }
    return frames;
}

} // namespace testsupport
