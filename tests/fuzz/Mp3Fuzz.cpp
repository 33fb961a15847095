// Feeds the MP3 analysis (ID3v2 head, frame-sync scan, ID3v1, the tags and
// pictures through TagLib, the content digest) with a file's bytes, written
// to a temporary .mp3 file, and checks the data region it settles on. The
// same bytes, taken as one ID3v2 tag, go through the cut of tags too large to
// read whole, with limits small enough for the inputs: the cut copy has the
// tag's header, its own size in it, and stays within the limit; and through
// the walk of the run of tags a demuxer would read, which starts only at a
// tag's header.
#include "client/media/FileMetaData.h"
#include "client/media/Id3v2Trim.h"
#include "include/text/Utf8.h"
#include "tests/fuzz/support/FuzzSupport.h"
#include "tests/support/media/MemoryReader.h"
#include "tests/support/media/Mp3Fixture.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr TagLimits kSmallLimits{256, 64};
constexpr size_t kTagHeaderBytes = 10;

// One file per process, in the folder scripts/fuzz gives as TMPDIR.
const std::string& ScratchFile() {
    static const std::string path = fuzzsupport::ScratchPath("fuzz-mp3", ".mp3");
    return path;
}

std::string FixtureBytes(const std::string& prefix, int frames, const testsupport::Mp3Tags& tags) {
    const std::string& path = ScratchFile();
    return testsupport::WriteMp3(path, prefix, frames, tags) ? fuzzsupport::TakeFileBytes(path)
                                                             : std::string();
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    testsupport::Mp3Tags both;
    both.v1 = true;
    both.v1Title = "T";
    both.v1Comment = "comment";
    both.v2 = true;
    both.title = "Title";
    both.artist = "Artist";
    both.track = 7;
    both.frames = {{"TXXX", "MyKey", "v1", 0},
                   {"TCON", "Rock", "", 0},
                   {"PRIV", "www.example.com", "", 0},
                   {"TPE2", "Band", "", 0},
                   {"APIC", "image/png", "", 300}};
    return {FixtureBytes("", 8, testsupport::Mp3Tags()), FixtureBytes(std::string(500, '\0'), 4, both),
            FixtureBytes("", 2, both)};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string trimmed;
    if (TrimId3v2Tag(testsupport::MemoryReader(data, size), size, kSmallLimits, trimmed)) {
        FUZZ_CHECK(size > kSmallLimits.wholeTagBytes);
        FUZZ_CHECK(trimmed.size() >= kTagHeaderBytes && trimmed.size() <= kSmallLimits.wholeTagBytes);
        FUZZ_CHECK(trimmed.compare(0, 5, reinterpret_cast<const char*>(data), 5) == 0);
        FUZZ_CHECK(trimmed.compare(0, 3, "ID3") != 0 || testsupport::Id3v2Bytes(trimmed) == trimmed.size());
    }

    const uint64_t runEnd = Id3v2RunEnd(testsupport::MemoryReader(data, size), 0);
    const std::string head(reinterpret_cast<const char*>(data), std::min(size, kTagHeaderBytes));
    FUZZ_CHECK(runEnd == 0 || (head.compare(0, 3, "ID3") == 0 && runEnd >= testsupport::Id3v2Bytes(head)));

    const std::string& path = ScratchFile();
    fuzzsupport::WriteFileBytes(path, data, size);
    FileMetaData metadata;
    metadata.SetPath(Utf8ToWide(path));
    if (metadata.ReadQuickInfo()) {
        FUZZ_CHECK(metadata.m_dataOffset >= metadata.m_id3v2Len);
        FUZZ_CHECK(metadata.m_dataLen > 0);
        FUZZ_CHECK(metadata.m_dataOffset + metadata.m_dataLen + metadata.m_id3v1Len <= size);
        FUZZ_CHECK(metadata.digest.size() == 32);
        FUZZ_CHECK(metadata.lengthSecs > 0 && metadata.bitRate > 0);
    }
    std::remove(path.c_str());
    return 0;
}
