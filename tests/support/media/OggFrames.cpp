#include "tests/support/media/OggFrames.h"

#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cstring>

namespace testsupport {

namespace {

uint32_t BigEndian32(const std::string& bytes, size_t at) {
    auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + i])); };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}

struct MemoryStream {
    const std::string* bytes;
    size_t pos = 0;
};

size_t ReadMemory(void* out, size_t size, size_t count, void* source) {
    auto* stream = static_cast<MemoryStream*>(source);
    size_t bytes = std::min(size * count, stream->bytes->size() - stream->pos);
    std::memcpy(out, stream->bytes->data() + stream->pos, bytes);
    stream->pos += bytes;
    return size ? bytes / size : 0;
}

} // namespace

bool SplitOggFrames(const std::string& body, std::vector<OggFrame>& frames) {
    frames.clear();
    size_t at = 0;
    while (at < body.size()) {
        if (body.size() - at < 8)
            return false;
        OggFrame frame;
        frame.position = BigEndian32(body, at);
        uint32_t length = BigEndian32(body, at + 4);
        at += 8;
        if (body.size() - at < length)
            return false;
        frame.page = body.substr(at, length);
        at += length;
        frames.push_back(std::move(frame));
    }
    return true;
}

bool DecodeOgg(const std::string& ogg, DecodedOgg& decoded) {
    decoded = DecodedOgg();
    MemoryStream stream{&ogg};
    // No seeking: the stream is read once from its start, as a player would.
    ov_callbacks callbacks{ReadMemory, nullptr, nullptr, nullptr};
    OggVorbis_File file;
    if (ov_open_callbacks(&stream, &file, nullptr, 0, callbacks) != 0)
        return false;
    const vorbis_info* info = ov_info(&file, -1);
    decoded.sampleRate = info->rate;
    decoded.channels = info->channels;
    decoded.nominalBitrate = info->bitrate_nominal;
    const vorbis_comment* comment = ov_comment(&file, -1);
    for (int i = 0; i < comment->comments; ++i)
        decoded.comments.emplace_back(comment->user_comments[i], comment->comment_lengths[i]);
    bool ok = true;
    char buffer[8192];
    for (;;) {
        int section = 0;
        long got = ov_read(&file, buffer, sizeof(buffer), 0, 2, 1, &section);
        if (got == 0)
            break;
        if (got < 0) {
            ok = false;
            break;
        }
        size_t before = decoded.samples.size();
        decoded.samples.resize(before + static_cast<size_t>(got) / 2);
        std::memcpy(decoded.samples.data() + before, buffer, static_cast<size_t>(got));
    }
    ov_clear(&file);
    return ok;
}

} // namespace testsupport
