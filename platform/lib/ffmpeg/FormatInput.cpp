#include "platform/lib/ffmpeg/FormatInput.h"

#include "platform/time/Clock.h"

#include <cerrno>
#include <cstdio>
#include <limits>
#include <new>
#include <utility>

namespace platform {

namespace {

// The reader's buffer, as large as the one FFmpeg gives a file it opens.
constexpr int kReaderBufferBytes = 32768;

} // namespace

FormatInput::~FormatInput() {
    Close();
}

FormatInput::FormatInput(FormatInput&& other) noexcept
    : m_context(std::exchange(other.m_context, nullptr)), m_state(std::move(other.m_state)) {}

FormatInput& FormatInput::operator=(FormatInput&& other) noexcept {
    if (this != &other) {
        Close();
        m_context = std::exchange(other.m_context, nullptr);
        m_state = std::move(other.m_state);
    }
    return *this;
}

int FormatInput::Open(std::unique_ptr<ReadSource> source, const char* name, const char* forcedFormat,
                      int64_t probeBytes, int64_t skipBytes) noexcept {
    Close();
    if (!source)
        return AVERROR(EINVAL);
    if (!m_state) {
        m_state.reset(new (std::nothrow) InputState);
        if (!m_state)
            return AVERROR(ENOMEM);
    }
    m_state->bytesAtStart = 0;
    const AVInputFormat* format = nullptr;
    if (forcedFormat) {
        format = av_find_input_format(forcedFormat);
        if (!format)
            return AVERROR_DEMUXER_NOT_FOUND;
    }
    auto* buffer = static_cast<unsigned char*>(av_malloc(kReaderBufferBytes));
    if (!buffer)
        return AVERROR(ENOMEM);
    m_state->reader =
        avio_alloc_context(buffer, kReaderBufferBytes, 0, m_state.get(), OnRead, nullptr, OnSeek);
    if (!m_state->reader) {
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    m_state->source = std::move(source);
    m_state->position = 0;
    AVFormatContext* context = avformat_alloc_context();
    if (!context) {
        FreeReader();
        return AVERROR(ENOMEM);
    }
    if (probeBytes > 0)
        context->probesize = probeBytes;
    if (skipBytes > 0)
        context->skip_initial_bytes = skipBytes;
    context->pb = m_state->reader;
    // Further inputs a demuxer opens (a playlist's entries) are local files
    // only: a name is never read as an address of another kind.
    AVDictionary* options = nullptr;
    int result = av_dict_set(&options, "protocol_whitelist", "file", 0);
    if (result < 0) {
        avformat_free_context(context);
        FreeReader();
        return result;
    }
    // avformat_open_input frees the context itself when it fails; the
    // reader stays ours either way.
    result = avformat_open_input(&context, name ? name : "", format, &options);
    av_dict_free(&options);
    if (result < 0) {
        FreeReader();
        return result;
    }
    m_context = context;
    return result;
}

int FormatInput::FindStreamInfo() noexcept {
    return avformat_find_stream_info(m_context, nullptr);
}

int FormatInput::ReadPacket(AVPacket* packet) noexcept {
    return av_read_frame(m_context, packet);
}

int FormatInput::Seek(int streamIndex, int64_t timestamp, int flags) noexcept {
    return av_seek_frame(m_context, streamIndex, timestamp, flags);
}

void FormatInput::Close() noexcept {
    if (m_context)
        avformat_close_input(&m_context);
    FreeReader();
}

void FormatInput::FreeReader() noexcept {
    if (!m_state)
        return;
    if (m_state->reader) {
        // FFmpeg may have put a buffer of its own in place of ours.
        av_freep(&m_state->reader->buffer);
        avio_context_free(&m_state->reader);
    }
    m_state->source.reset();
}

void FormatInput::StartReadBudget(const ReadBudget& budget) noexcept {
    StopReadBudget();
    if (!m_state)
        m_state.reset(new (std::nothrow) InputState);
    if (!m_state)
        return;
    m_state->active = true;
    m_state->budget = budget;
    m_state->bytesAtStart = BytesRead();
    m_state->msAtStart = MonotonicMs();
}

void FormatInput::StopReadBudget() noexcept {
    if (!m_state)
        return;
    // A refused read leaves the reader at its end with AVERROR_EXIT: it
    // reads on from there once the refusal is taken back.
    AVIOContext* reader = m_state->reader;
    if (m_state->spent && reader && reader->error == AVERROR_EXIT) {
        reader->error = 0;
        reader->eof_reached = 0;
    }
    m_state->active = false;
    m_state->spent = false;
}

bool FormatInput::ReadBudgetSpent() const noexcept {
    return m_state && m_state->spent;
}

int64_t FormatInput::BytesRead() const noexcept {
    return m_state && m_state->reader ? m_state->reader->bytes_read : 0;
}

bool FormatInput::BudgetSpent(InputState& state) noexcept {
    if (!state.active)
        return false;
    if (state.spent)
        return true;
    const ReadBudget& budget = state.budget;
    const int64_t pulled = (state.reader ? state.reader->bytes_read : 0) - state.bytesAtStart;
    state.spent = budget.SpentBy(pulled, MonotonicMs() - state.msAtStart);
    return state.spent;
}

int FormatInput::OnRead(void* opaque, uint8_t* buffer, int size) noexcept {
    auto* state = static_cast<InputState*>(opaque);
    if (BudgetSpent(*state))
        return AVERROR_EXIT;
    const int64_t got = state->source->ReadAt(static_cast<uint64_t>(state->position), buffer,
                                              static_cast<size_t>(size > 0 ? size : 0));
    if (got < 0)
        return AVERROR(errno != 0 ? errno : EIO);
    if (got == 0)
        return AVERROR_EOF;
    state->position += got;
    return static_cast<int>(got);
}

int64_t FormatInput::OnSeek(void* opaque, int64_t offset, int whence) noexcept {
    auto* state = static_cast<InputState*>(opaque);
    const auto size = static_cast<int64_t>(state->source->Size());
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return size;
    int64_t base = 0;
    if (whence == SEEK_CUR)
        base = state->position;
    else if (whence == SEEK_END)
        base = size;
    else if (whence != SEEK_SET)
        return AVERROR(EINVAL);
    if (offset < -base || offset > std::numeric_limits<int64_t>::max() - base)
        return AVERROR(EINVAL);
    state->position = base + offset;
    return state->position;
}

} // namespace platform
