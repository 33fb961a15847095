#include "client/media/FileView.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>

FileView::FileView(int fd) : m_fd(fd >= 0 ? fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1) {
    struct stat st {};
    if (m_fd.IsValid() && fstat(m_fd.Get(), &st) == 0 && st.st_size > 0)
        m_fileSize = static_cast<uint64_t>(st.st_size);
}

bool FileView::Apply(ViewEdit edit) {
    if (edit.offset > m_fileSize || edit.length > m_fileSize - edit.offset)
        return false;
    const auto next = std::find_if(m_edits.begin(), m_edits.end(),
                                   [&](const ViewEdit& applied) { return applied.offset >= edit.offset; });
    const bool clearOfNext = next == m_edits.end() || edit.offset + edit.length <= next->offset;
    const bool clearOfPrevious =
        next == m_edits.begin() || std::prev(next)->offset + std::prev(next)->length <= edit.offset;
    // Nor two at one offset, whose order would be unclear.
    if (!clearOfNext || !clearOfPrevious || (next != m_edits.end() && next->offset == edit.offset))
        return false;
    m_edits.insert(next, std::move(edit));
    return true;
}

ByteReader FileView::FileReader() const {
    return [this](uint64_t position, unsigned char* out, size_t count) {
        return ReadFile(position, out, count) == static_cast<int64_t>(count);
    };
}

uint64_t FileView::Size() const noexcept {
    uint64_t size = m_fileSize;
    for (const ViewEdit& edit : m_edits)
        size = size - edit.length + edit.bytes.size();
    return size;
}

int64_t FileView::ReadAt(uint64_t offset, void* out, size_t count) noexcept {
    auto* to = static_cast<unsigned char*>(out);
    size_t done = 0;
    // The view alternates stretches of the file with the edits' bytes; each
    // stretch is copied where it meets the range asked for.
    uint64_t fileAt = 0;
    uint64_t viewAt = 0;
    for (size_t i = 0; i <= m_edits.size() && done < count; ++i) {
        const uint64_t stretchEnd = i < m_edits.size() ? m_edits[i].offset : m_fileSize;
        const uint64_t stretchBytes = stretchEnd - fileAt;
        const uint64_t wanted = offset + done;
        if (wanted < viewAt + stretchBytes) {
            const size_t piece =
                static_cast<size_t>(std::min<uint64_t>(count - done, viewAt + stretchBytes - wanted));
            const int64_t got = ReadFile(fileAt + (wanted - viewAt), to + done, piece);
            if (got < 0)
                return done > 0 ? static_cast<int64_t>(done) : -1;
            done += static_cast<size_t>(got);
            if (static_cast<size_t>(got) < piece)
                break;
        }
        viewAt += stretchBytes;
        if (i == m_edits.size() || done == count)
            break;
        const ViewEdit& edit = m_edits[i];
        const uint64_t at = offset + done;
        if (at < viewAt + edit.bytes.size()) {
            const size_t piece =
                static_cast<size_t>(std::min<uint64_t>(count - done, viewAt + edit.bytes.size() - at));
            memcpy(to + done, edit.bytes.data() + (at - viewAt), piece);
            done += piece;
        }
        viewAt += edit.bytes.size();
        fileAt = edit.offset + edit.length;
    }
    return static_cast<int64_t>(done);
}

int64_t FileView::ReadFile(uint64_t offset, unsigned char* out, size_t count) const noexcept {
    size_t done = 0;
    while (done < count && offset + done < m_fileSize) {
        const size_t piece =
            static_cast<size_t>(std::min<uint64_t>(count - done, m_fileSize - offset - done));
        const ssize_t got = pread(m_fd.Get(), out + done, piece, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return -1;
        if (got == 0)
            break;
        done += static_cast<size_t>(got);
    }
    return static_cast<int64_t>(done);
}
