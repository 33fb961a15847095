#include "tests/support/media/M4aFixture.h"

#include "tests/support/TempDir.h"
#include "tests/support/media/FfmpegOwners.h"
#include "tests/support/media/Mp3Fixture.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4tag.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace testsupport {

namespace {

constexpr int kSampleRate = 44100;
constexpr int kChannels = 2;
constexpr int64_t kBitRate = 128000;
constexpr double kToneHz = 440.0;

bool Fail(const char* what, int error = 0) {
    char text[AV_ERROR_MAX_STRING_SIZE] = "";
    if (error < 0)
        av_strerror(error, text, sizeof text);
    std::fprintf(stderr, "M4A fixture: %s failed %s\n", what, text);
    return false;
}

// One frame of the tone, starting at sample `start`.
void FillTone(AVFrame& frame, int64_t start) {
    for (int channel = 0; channel < kChannels; ++channel) {
        for (int i = 0; i < frame.nb_samples; ++i) {
            const double value =
                0.5 * std::sin(2 * M_PI * kToneHz * static_cast<double>(start + i) / kSampleRate);
            if (frame.format == AV_SAMPLE_FMT_FLTP)
                reinterpret_cast<float*>(frame.data[channel])[i] = static_cast<float>(value);
            else
                reinterpret_cast<int16_t*>(frame.data[channel])[i] = static_cast<int16_t>(value * 32767);
        }
    }
}

// Sends one frame (null: the end) and writes every packet it yields.
bool Encode(AVCodecContext& codec, const AVFrame* frame, AVFormatContext& output, AVStream& stream,
            AVPacket& packet) {
    int result = avcodec_send_frame(&codec, frame);
    if (result < 0)
        return Fail("avcodec_send_frame", result);
    while ((result = avcodec_receive_packet(&codec, &packet)) >= 0) {
        av_packet_rescale_ts(&packet, codec.time_base, stream.time_base);
        packet.stream_index = stream.index;
        result = av_interleaved_write_frame(&output, &packet);
        if (result < 0)
            return Fail("av_interleaved_write_frame", result);
    }
    return result == AVERROR(EAGAIN) || result == AVERROR_EOF || Fail("avcodec_receive_packet", result);
}

bool EncodeFile(const std::string& path, const M4aSpec& spec) {
    const bool aac = spec.codec == M4aCodec::AAC;
    const AVCodec* encoder = avcodec_find_encoder(aac ? AV_CODEC_ID_AAC : AV_CODEC_ID_ALAC);
    if (!encoder)
        return Fail("avcodec_find_encoder");
    AVFormatContext* rawOutput = nullptr;
    int result = avformat_alloc_output_context2(&rawOutput, nullptr, "ipod", path.c_str());
    if (result < 0)
        return Fail("avformat_alloc_output_context2", result);
    OutputPtr output(rawOutput);

    CodecContextPtr codec(avcodec_alloc_context3(encoder));
    codec->sample_fmt = aac ? AV_SAMPLE_FMT_FLTP : AV_SAMPLE_FMT_S16P;
    codec->sample_rate = kSampleRate;
    av_channel_layout_default(&codec->ch_layout, kChannels);
    codec->bit_rate = kBitRate;
    codec->time_base = AVRational{1, kSampleRate};
    if (output->oformat->flags & AVFMT_GLOBALHEADER)
        codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((result = avcodec_open2(codec.get(), encoder, nullptr)) < 0)
        return Fail("avcodec_open2", result);

    AVStream* stream = avformat_new_stream(output.get(), nullptr);
    if (!stream)
        return Fail("avformat_new_stream");
    stream->time_base = codec->time_base;
    if ((result = avcodec_parameters_from_context(stream->codecpar, codec.get())) < 0)
        return Fail("avcodec_parameters_from_context", result);
    if ((result = avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
        return Fail("avio_open", result);
    AVDictionary* options = nullptr;
    if (spec.moovFirst)
        av_dict_set(&options, "movflags", "faststart", 0);
    result = avformat_write_header(output.get(), &options);
    av_dict_free(&options);
    if (result < 0)
        return Fail("avformat_write_header", result);

    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    frame->nb_samples = codec->frame_size;
    frame->format = codec->sample_fmt;
    frame->sample_rate = kSampleRate;
    if (av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout) < 0 ||
        (result = av_frame_get_buffer(frame.get(), 0)) < 0)
        return Fail("av_frame_get_buffer", result);
    const int64_t total = static_cast<int64_t>(spec.seconds) * kSampleRate;
    for (int64_t start = 0; start < total; start += codec->frame_size) {
        if ((result = av_frame_make_writable(frame.get())) < 0)
            return Fail("av_frame_make_writable", result);
        FillTone(*frame, start);
        frame->pts = start;
        if (!Encode(*codec, frame.get(), *output, *stream, *packet))
            return false;
    }
    if (!Encode(*codec, nullptr, *output, *stream, *packet))
        return false;
    if ((result = av_write_trailer(output.get())) < 0)
        return Fail("av_write_trailer", result);
    return true;
}

TagLib::String Utf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

bool SaveTags(const std::string& path, const M4aTags& tags) {
    TagLib::MP4::File file(path.c_str(), false);
    TagLib::MP4::Tag* tag = file.tag();
    if (!file.isValid() || !tag)
        return Fail("TagLib open");
    tag->setTitle(Utf8(tags.title));
    tag->setArtist(Utf8(tags.artist));
    tag->setAlbum(Utf8(tags.album));
    tag->setTrack(tags.track);
    for (const auto& [key, text] : tags.items)
        tag->setItem(Utf8(key), TagLib::MP4::Item(TagLib::StringList(Utf8(text))));
    if (!tags.covers.empty()) {
        TagLib::MP4::CoverArtList pictures;
        for (const M4aCover& cover : tags.covers) {
            const std::string bytes = FixturePicture(cover.bytes);
            pictures.append(
                TagLib::MP4::CoverArt(static_cast<TagLib::MP4::CoverArt::Format>(cover.format),
                                      TagLib::ByteVector(bytes.data(), static_cast<unsigned>(bytes.size()))));
        }
        tag->setItem("covr", TagLib::MP4::Item(pictures));
    }
    return file.save() || Fail("TagLib save");
}

uint32_t BoxSize(const std::string& bytes, size_t at) {
    uint32_t size = 0;
    for (size_t i = 0; i < 4; ++i)
        size = (size << 8) | static_cast<unsigned char>(bytes[at + i]);
    return size;
}

// The boxes between `begin` and `end` by type and bytes, in order; false for
// sizes this fixture never writes (0, 1, or past the end).
bool SplitBoxes(const std::string& bytes, size_t begin, size_t end,
                std::vector<std::pair<std::string, std::string>>& boxes) {
    for (size_t at = begin; at < end;) {
        const uint32_t size = BoxSize(bytes, at);
        if (size < 8 || size > end - at)
            return false;
        boxes.emplace_back(bytes.substr(at + 4, 4), bytes.substr(at, size));
        at += size;
    }
    return true;
}

// Moves the movie box's "udta" child in front of its first "trak". Sizes
// stay, so every offset into the media data stays right.
bool MoveUserDataFirst(const std::string& path) {
    std::string bytes = ReadFileText(path);
    std::vector<std::pair<std::string, std::string>> top;
    if (!SplitBoxes(bytes, 0, bytes.size(), top))
        return Fail("top-level boxes");
    size_t moovAt = 0;
    for (const auto& [type, box] : top) {
        if (type == "moov")
            break;
        moovAt += box.size();
    }
    std::vector<std::pair<std::string, std::string>> children;
    if (moovAt >= bytes.size() || !SplitBoxes(bytes, moovAt + 8, moovAt + BoxSize(bytes, moovAt), children))
        return Fail("movie box");
    std::string userData, tracksAndRest, head;
    for (const auto& [type, box] : children) {
        if (type == "udta")
            userData += box;
        else if (type == "trak" || !tracksAndRest.empty())
            tracksAndRest += box;
        else
            head += box;
    }
    if (userData.empty())
        return Fail("user data box");
    bytes.replace(moovAt + 8, head.size() + userData.size() + tracksAndRest.size(),
                  head + userData + tracksAndRest);
    WriteFileText(path, bytes);
    return true;
}

void PutU32(std::string& bytes, size_t at, uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * (3 - i)));
}

std::string U32(uint32_t value) {
    std::string bytes(4, '\0');
    PutU32(bytes, 0, value);
    return bytes;
}

// The first child of `type` among the boxes between `begin` and `end`, or
// npos.
size_t ChildBox(const std::string& bytes, size_t begin, size_t end, const char* type) {
    std::vector<std::pair<std::string, std::string>> boxes;
    if (!SplitBoxes(bytes, begin, end, boxes))
        return std::string::npos;
    for (const auto& [name, box] : boxes) {
        if (name == type)
            return begin;
        begin += box.size();
    }
    return std::string::npos;
}

// Adds `delta` to every chunk offset of every track.
bool ShiftChunkOffsets(std::string& bytes, size_t moov, uint32_t delta) {
    std::vector<std::pair<std::string, std::string>> children;
    if (!SplitBoxes(bytes, moov + 8, moov + BoxSize(bytes, moov), children))
        return false;
    size_t at = moov + 8;
    for (const auto& [type, box] : children) {
        size_t stco = type == "trak" ? at : std::string::npos;
        for (const char* inner : {"mdia", "minf", "stbl", "stco"}) {
            if (stco != std::string::npos)
                stco = ChildBox(bytes, stco + 8, stco + BoxSize(bytes, stco), inner);
        }
        if (stco != std::string::npos) {
            const uint32_t entries = BoxSize(bytes, stco + 12);
            for (uint32_t i = 0; i < entries; ++i)
                PutU32(bytes, stco + 16 + 4 * i, BoxSize(bytes, stco + 16 + 4 * i) + delta);
        }
        at += box.size();
    }
    return true;
}

// Where the boxes of `path` lie, each the first of its type in the one
// before (a "meta" box's version and flags skipped); fewer when one is not
// there.
std::vector<size_t> BoxPath(const std::string& bytes, std::initializer_list<const char*> path) {
    std::vector<size_t> boxes;
    size_t begin = 0;
    size_t end = bytes.size();
    for (const char* type : path) {
        const size_t box = ChildBox(bytes, begin, end, type);
        if (box == std::string::npos)
            break;
        boxes.push_back(box);
        begin = box + (std::string(type) == "meta" ? 12 : 8);
        end = box + BoxSize(bytes, box);
    }
    return boxes;
}

// Writes `bytes` with a box inserted at `insertAt`: its `head`, then
// `hollowBytes` that are a hole in the file. The boxes at `enclosing` grow
// by its size.
bool WriteWithHollowBox(const std::string& path, std::string bytes, const std::vector<size_t>& enclosing,
                        size_t insertAt, const std::string& head, uint32_t hollowBytes) {
    const auto boxBytes = static_cast<uint32_t>(head.size() + hollowBytes);
    for (size_t box : enclosing)
        PutU32(bytes, box, BoxSize(bytes, box) + boxBytes);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(insertAt));
    file.write(head.data(), static_cast<std::streamsize>(head.size()));
    file.seekp(static_cast<std::streamoff>(insertAt + boxBytes));
    file.write(bytes.data() + insertAt, static_cast<std::streamsize>(bytes.size() - insertAt));
    return static_cast<bool>(file.flush()) || Fail("writing");
}

} // namespace

bool WriteM4aWithHollowCover(const std::string& path, const M4aSpec& spec, uint32_t coverBytes) {
    constexpr uint32_t kJpeg = 13;
    if (!spec.tags || !WriteM4a(path, spec))
        return false;
    std::string bytes = ReadFileText(path);
    const std::vector<size_t> boxes = BoxPath(bytes, {"moov", "udta", "meta", "ilst"});
    if (boxes.size() != 4)
        return Fail("item list");
    const uint32_t itemBytes = 24 + coverBytes;
    const std::string head = U32(itemBytes) + "covr" + U32(itemBytes - 8) + "data" + U32(kJpeg) + U32(0);
    if (spec.moovFirst && !ShiftChunkOffsets(bytes, boxes[0], itemBytes))
        return Fail("chunk offsets");
    return WriteWithHollowBox(path, bytes, boxes, boxes[3] + 8, head, coverBytes);
}

bool WriteM4aWithHollowSampleTable(const std::string& path, const M4aSpec& spec, uint32_t samples) {
    constexpr uint32_t kHeadBytes = 20;
    constexpr char kFieldBits = 4;
    if (spec.moovFirst || !WriteM4a(path, spec))
        return false;
    const std::string bytes = ReadFileText(path);
    const std::vector<size_t> boxes = BoxPath(bytes, {"moov", "trak", "mdia", "minf", "stbl"});
    if (boxes.size() != 5)
        return Fail("sample table");
    const std::string head =
        U32(kHeadBytes + samples / 2) + "stz2" + U32(0) + std::string(3, '\0') + kFieldBits + U32(samples);
    return WriteWithHollowBox(path, bytes, boxes, boxes[4] + BoxSize(bytes, boxes[4]), head, samples / 2);
}

bool WriteM4a(const std::string& path, const M4aSpec& spec) {
    // FFmpeg's own notes (encoder statistics, files it cannot read) would
    // flood the tests' output; what matters is checked through our log.
    av_log_set_level(AV_LOG_QUIET);
    if (!EncodeFile(path, spec))
        return false;
    if (spec.tags && !SaveTags(path, *spec.tags))
        return false;
    return !spec.tagsBeforeAudio || MoveUserDataFirst(path);
}

} // namespace testsupport
