// Owns one demuxer context (AVFormatContext*) opened on a file, closed when
// the owner goes. Results are FFmpeg's own codes (0 or more: success, a
// negative AVERROR: failure); nothing logs.
#pragma once

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
};

class FormatInput {
  public:
    FormatInput() = default;
    ~FormatInput();
    FormatInput(FormatInput&& other) noexcept;
    FormatInput& operator=(FormatInput&& other) noexcept;
    FormatInput(const FormatInput&) = delete;
    FormatInput& operator=(const FormatInput&) = delete;

    // Opens the UTF-8 path of a local file (closing any input held before; no
    // other protocol is read). forcedFormat names
    // a demuxer to use instead of probing (AVERROR_DEMUXER_NOT_FOUND when
    // there is none of that name); probeBytes > 0 bounds the bytes probed here
    // and by FindStreamInfo; skipBytes > 0 has the demuxer start there, as if
    // the file's first bytes (a tag it need not read) were not there, its
    // positions still counted from the file's start.
    [[nodiscard]] int Open(const char* path, const char* forcedFormat = nullptr, int64_t probeBytes = 0,
                           int64_t skipBytes = 0) noexcept;
    // avformat_find_stream_info.
    [[nodiscard]] int FindStreamInfo() noexcept;
    // The next packet (av_read_frame); the caller unreferences it.
    int ReadPacket(AVPacket* packet) noexcept;
    // av_seek_frame.
    int Seek(int streamIndex, int64_t timestamp, int flags) noexcept;
    void Close() noexcept;

    // Bounds the reads from now on (also those of a following Open): once the
    // budget is spent, every read from the file fails with AVERROR_EXIT, so
    // that a demuxer running through a long stretch of the file gives what it
    // has, or an error. Starting a budget again resumes reading where it
    // stopped.
    void StartReadBudget(const ReadBudget& budget) noexcept;
    // Reads are unbounded again.
    void StopReadBudget() noexcept;
    // Whether a read failed for the budget since it was started.
    bool ReadBudgetSpent() const noexcept;
    // Bytes the demuxer has pulled from the file since it was opened.
    int64_t BytesRead() const noexcept;

    AVFormatContext* Get() const noexcept { return m_context; }
    bool IsOpen() const noexcept { return m_context != nullptr; }

  private:
    struct BudgetState {
        // The context being opened or open; null before.
        AVFormatContext* context = nullptr;
        bool active = false;
        bool spent = false;
        ReadBudget budget;
        int64_t bytesAtStart = 0;
        uint64_t msAtStart = 0;
    };
    // FFmpeg's interrupt callback, asked before every read from the file.
    static int OnInterruptCheck(void* opaque) noexcept;

    AVFormatContext* m_context = nullptr;
    // Where the callback of every context opened here looks: on the heap, so
    // that it stays put when the owner moves.
    std::unique_ptr<BudgetState> m_budget;
};

} // namespace platform
