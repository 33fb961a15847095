#include "platform/lib/ffmpeg/FormatInput.h"

#include "platform/time/Clock.h"

#include <new>
#include <utility>

namespace platform {

namespace {

int64_t BytesPulled(const AVFormatContext* context) noexcept {
    return context && context->pb ? context->pb->bytes_read : 0;
}

} // namespace

FormatInput::~FormatInput() {
    Close();
}

FormatInput::FormatInput(FormatInput&& other) noexcept
    : m_context(std::exchange(other.m_context, nullptr)), m_budget(std::move(other.m_budget)) {}

FormatInput& FormatInput::operator=(FormatInput&& other) noexcept {
    if (this != &other) {
        Close();
        m_context = std::exchange(other.m_context, nullptr);
        m_budget = std::move(other.m_budget);
    }
    return *this;
}

int FormatInput::Open(const char* path, const char* forcedFormat, int64_t probeBytes,
                      int64_t skipBytes) noexcept {
    Close();
    if (!m_budget) {
        m_budget.reset(new (std::nothrow) BudgetState);
        if (!m_budget)
            return AVERROR(ENOMEM);
    }
    m_budget->bytesAtStart = 0;
    const AVInputFormat* format = nullptr;
    if (forcedFormat) {
        format = av_find_input_format(forcedFormat);
        if (!format)
            return AVERROR_DEMUXER_NOT_FOUND;
    }
    AVFormatContext* context = avformat_alloc_context();
    if (!context)
        return AVERROR(ENOMEM);
    if (probeBytes > 0)
        context->probesize = probeBytes;
    if (skipBytes > 0)
        context->skip_initial_bytes = skipBytes;
    // Set before opening: the file's reader takes its copy when it is made.
    context->interrupt_callback.callback = OnInterruptCheck;
    context->interrupt_callback.opaque = m_budget.get();
    // Local files only: a path is never read as an address of another kind.
    AVDictionary* options = nullptr;
    int result = av_dict_set(&options, "protocol_whitelist", "file", 0);
    if (result < 0) {
        avformat_free_context(context);
        return result;
    }
    m_budget->context = context;
    // avformat_open_input frees the context itself when it fails.
    result = avformat_open_input(&context, path, format, &options);
    av_dict_free(&options);
    if (result < 0) {
        m_budget->context = nullptr;
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
    if (m_budget)
        m_budget->context = nullptr;
}

void FormatInput::StartReadBudget(const ReadBudget& budget) noexcept {
    StopReadBudget();
    if (!m_budget)
        m_budget.reset(new (std::nothrow) BudgetState);
    if (!m_budget)
        return;
    m_budget->active = true;
    m_budget->budget = budget;
    m_budget->bytesAtStart = BytesRead();
    m_budget->msAtStart = MonotonicMs();
}

void FormatInput::StopReadBudget() noexcept {
    if (!m_budget)
        return;
    // A refused read leaves the reader at its end with AVERROR_EXIT: it
    // reads on from there once the refusal is taken back.
    AVIOContext* reader = m_context ? m_context->pb : nullptr;
    if (m_budget->spent && reader && reader->error == AVERROR_EXIT) {
        reader->error = 0;
        reader->eof_reached = 0;
    }
    m_budget->active = false;
    m_budget->spent = false;
}

bool FormatInput::ReadBudgetSpent() const noexcept {
    return m_budget && m_budget->spent;
}

int64_t FormatInput::BytesRead() const noexcept {
    return BytesPulled(m_context);
}

int FormatInput::OnInterruptCheck(void* opaque) noexcept {
    auto* state = static_cast<BudgetState*>(opaque);
    if (!state->active)
        return 0;
    if (state->spent)
        return 1;
    const ReadBudget& budget = state->budget;
    const int64_t pulled = BytesPulled(state->context) - state->bytesAtStart;
    state->spent = pulled >= budget.bytes ||
                   (pulled >= budget.bytesBeforeMs && MonotonicMs() - state->msAtStart >= budget.ms);
    return state->spent ? 1 : 0;
}

} // namespace platform
