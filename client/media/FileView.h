// A read-only view of a file the caller holds open, in which a few byte
// ranges read as bytes held in memory instead: an oversized tag cut down, a
// box header rewritten. The tag library (ViewTagStream) and the demuxer
// (FormatInput) read a song through one, so the file is read as the caller
// opened and checked it, never as whatever its path holds by now, and
// nothing is written to it.
#pragma once

#include "client/media/ByteReader.h"
#include "platform/fs/UniqueFd.h"
#include "platform/lib/ffmpeg/ReadSource.h"

#include <cstdint>
#include <string>
#include <vector>

// `length` bytes of the file at `offset` that read as `bytes`, of whatever
// size.
struct ViewEdit {
    uint64_t offset = 0;
    uint64_t length = 0;
    std::string bytes;
};

class FileView final : public platform::ReadSource {
  public:
    // Reads the file open as `fd` through a descriptor of its own, so the
    // view may outlive `fd`; by pread, so no file position moves. Without a
    // descriptor (none left to have) every read fails.
    explicit FileView(int fd);

    // Applies `edit`: false, with nothing changed, for one that runs past the
    // file's end or overlaps one applied before.
    [[nodiscard]] bool Apply(ViewEdit edit);
    // The file's bytes as they lie, whatever was applied: for the walkers
    // that decide on the edits.
    ByteReader FileReader() const;

    [[nodiscard]] int64_t ReadAt(uint64_t offset, void* out, size_t count) noexcept override;
    [[nodiscard]] uint64_t Size() const noexcept override;

  private:
    // Reads the file itself; -1 on a failure.
    int64_t ReadFile(uint64_t offset, unsigned char* out, size_t count) const noexcept;

    platform::UniqueFd m_fd;
    uint64_t m_fileSize = 0;
    // By offset, none overlapping.
    std::vector<ViewEdit> m_edits;
};
