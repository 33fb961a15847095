// Owns one demuxer context (AVFormatContext*) opened on a ReadSource, and
// the reader through which it reads that source; both closed when the owner
// goes. Results are FFmpeg's own codes (0 or more: success, a negative
// AVERROR: failure); nothing logs.
#pragma once

#include "platform/lib/ffmpeg/ReadSource.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <cstdint>
#include <memory>

namespace platform {

// What the demuxer may read from the file from StartReadBudget on: `bytes`
// pulled from the file, and `ms` on the monotonic clock once at least
// `bytesBeforeMs` were pulled (a few small reads are never cut for time,
// however slow the machine is).
struct ReadBudget {
    int64_t bytes = 0;
    uint64_t ms = 0;
    int64_t bytesBeforeMs = 0;

    // Whether reads of `pulled` bytes that took `elapsedMs` have spent it.
    constexpr bool SpentBy(int64_t pulled, uint64_t elapsedMs) const {
        return pulled >= bytes || (pulled >= bytesBeforeMs && elapsedMs >= ms);
    }
};

class FormatInput {
  public:
    FormatInput() = default;
    ~FormatInput();
    FormatInput(FormatInput&& other) noexcept;
    FormatInput& operator=(FormatInput&& other) noexcept;
    FormatInput(const FormatInput&) = delete;
    FormatInput& operator=(const FormatInput&) = delete;

    // Opens `source`, which the input owns from now on (closing any input
    // held before; a demuxer that would open further inputs may open local
    // files only). `name` is the input's name, whose extension probing may
    // weigh; forcedFormat names a demuxer to use instead of probing
    // (AVERROR_DEMUXER_NOT_FOUND when there is none of that name);
    // probeBytes > 0 bounds the bytes probed here and by FindStreamInfo;
    // skipBytes > 0 has the demuxer start there, as if the source's first
    // bytes (a tag it need not read) were not there, its positions still
    // counted from the source's start.
    [[nodiscard]] int Open(std::unique_ptr<ReadSource> source, const char* name,
                           const char* forcedFormat = nullptr, int64_t probeBytes = 0,
                           int64_t skipBytes = 0) noexcept;
    // avformat_find_stream_info.
    [[nodiscard]] int FindStreamInfo() noexcept;
    // The next packet (av_read_frame); the caller unreferences it.
    int ReadPacket(AVPacket* packet) noexcept;
    // av_seek_frame.
    int Seek(int streamIndex, int64_t timestamp, int flags) noexcept;
    void Close() noexcept;

    // Bounds the reads from now on (also those of a following Open): once the
    // budget is spent, every read from the source fails with AVERROR_EXIT, so
    // that a demuxer running through a long stretch of the file gives what it
    // has, or an error. Starting a budget again resumes reading where it
    // stopped.
    void StartReadBudget(const ReadBudget& budget) noexcept;
    // Reads are unbounded again.
    void StopReadBudget() noexcept;
    // Whether a read failed for the budget since it was started.
    bool ReadBudgetSpent() const noexcept;
    // Bytes the demuxer has pulled from the source since it was opened.
    int64_t BytesRead() const noexcept;

    AVFormatContext* Get() const noexcept { return m_context; }
    bool IsOpen() const noexcept { return m_context != nullptr; }

  private:
    // What the reader's callbacks look at: on the heap, so that it stays put
    // when the owner moves.
    struct InputState {
        std::unique_ptr<ReadSource> source;
        int64_t position = 0;
        // The reader of the input being opened or open; null before.
        AVIOContext* reader = nullptr;
        bool active = false;
        bool spent = false;
        ReadBudget budget;
        int64_t bytesAtStart = 0;
        uint64_t msAtStart = 0;
    };
    // The reader's callbacks. FFmpeg asks no interrupt callback before the
    // reads of a reader of ours, so the budget is looked at before each read.
    static int OnRead(void* opaque, uint8_t* buffer, int size) noexcept;
    static int64_t OnSeek(void* opaque, int64_t offset, int whence) noexcept;
    static bool BudgetSpent(InputState& state) noexcept;
    void FreeReader() noexcept;

    AVFormatContext* m_context = nullptr;
    std::unique_ptr<InputState> m_state;
};

} // namespace platform
