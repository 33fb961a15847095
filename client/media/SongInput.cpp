#include "client/media/SongInput.h"

#include "client/media/FileMetaData.h"
#include "client/media/Id3v2Trim.h"
#include "client/media/Mp3TagFile.h"
#include "client/media/Mp4ItemLists.h"

#include <exception>

int OpenSongInput(platform::FormatInput& input, int fd, uint32_t encType, const std::string& name,
                  const char* forcedFormat, int64_t probeBytes) {
    auto view = encType == AAC ? Mp4FileView(fd) : std::make_unique<FileView>(fd);
    uint64_t start = 0;
    if (encType == MP3) {
        try {
            start = Mp3TagFile(name, fd, false).CutTagEnd();
        } catch (const std::exception&) {
            // The tag library failed on the file: the demuxer reads it from its start.
        }
    }
    // Tags the demuxer would read from where it starts, more than a whole
    // tag may be, are skipped too: FFmpeg reads a run of them, not only the
    // one the tag library takes.
    const uint64_t runEnd = Id3v2RunEnd(view->FileReader(), start);
    const uint64_t skipBytes = runEnd - start > kTagLimits.wholeTagBytes ? runEnd : start;
    return input.Open(std::move(view), name.c_str(), forcedFormat, probeBytes,
                      static_cast<int64_t>(skipBytes));
}
