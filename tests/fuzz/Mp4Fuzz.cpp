// Feeds the MPEG-4 analysis with a file's bytes: the top-level box walk on
// its own (the data start it gives must be the payload of an "mdat" box
// header), then the whole analysis through the demuxer and TagLib on a
// temporary .m4a file, whose data region must be the one the walk found.
#include "client/media/FileMetaData.h"
#include "client/media/Mp4Boxes.h"
#include "include/text/Utf8.h"
#include "tests/fuzz/support/FuzzSupport.h"
#include "tests/support/media/M4aFixture.h"
#include "tests/support/media/MemoryReader.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One file per process, in the folder scripts/fuzz gives as TMPDIR.
const std::string& ScratchFile() {
    static const std::string path = fuzzsupport::ScratchPath("fuzz-mp4", ".m4a");
    return path;
}

std::string FixtureBytes(const testsupport::M4aSpec& spec) {
    const std::string& path = ScratchFile();
    return testsupport::WriteM4a(path, spec) ? fuzzsupport::TakeFileBytes(path) : std::string();
}

bool IsMdatHeaderBefore(const uint8_t* data, size_t size, uint64_t payloadStart) {
    if (payloadStart > size)
        return false;
    if (payloadStart >= 8 && memcmp(data + payloadStart - 4, "mdat", 4) == 0 &&
        !(data[payloadStart - 8] == 0 && data[payloadStart - 7] == 0 && data[payloadStart - 6] == 0 &&
          data[payloadStart - 5] == 1))
        return true;
    // A 16-byte header: size 1, the type, then a 64-bit size.
    return payloadStart >= 16 && memcmp(data + payloadStart - 12, "mdat", 4) == 0 &&
           data[payloadStart - 16] == 0 && data[payloadStart - 15] == 0 && data[payloadStart - 14] == 0 &&
           data[payloadStart - 13] == 1;
}

} // namespace

std::vector<std::string> fuzzsupport::Seeds() {
    testsupport::M4aTags tags;
    tags.title = "Title";
    tags.artist = "Artist";
    tags.track = 3;
    tags.items = {{"aART", "Band"}, {"xid ", "Label:x"}, {"purd", "2020"}};
    tags.covers = {{13, 300}};
    return {FixtureBytes({1, false, testsupport::M4aCodec::AAC, nullptr}),
            FixtureBytes({1, true, testsupport::M4aCodec::AAC, &tags}),
            FixtureBytes({1, false, testsupport::M4aCodec::ALAC, nullptr})};
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ByteReader read = testsupport::MemoryReader(data, size);
    uint64_t payloadStart = 0;
    const bool found = FindTopLevelBox(read, size, "mdat", payloadStart);
    if (found)
        FUZZ_CHECK(IsMdatHeaderBefore(data, size, payloadStart));
    // A partly received file: the walk may end in a cut media data box,
    // never anywhere else, and agrees with the whole-file walk when that finds one.
    uint64_t cutPayloadStart = 0;
    if (FindTopLevelBox(read, size, "mdat", cutPayloadStart, MP4_BOX_MAY_BE_CUT)) {
        FUZZ_CHECK(IsMdatHeaderBefore(data, size, cutPayloadStart));
        FUZZ_CHECK(!found || cutPayloadStart == payloadStart);
    } else {
        FUZZ_CHECK(!found);
    }

    const std::string& path = ScratchFile();
    fuzzsupport::WriteFileBytes(path, data, size);
    FileMetaData metadata;
    metadata.SetPath(Utf8ToWide(path));
    if (metadata.ReadQuickInfo()) {
        FUZZ_CHECK(found && metadata.m_dataOffset == payloadStart);
        FUZZ_CHECK(metadata.m_dataLen > 0 && metadata.m_dataOffset + metadata.m_dataLen == size);
        FUZZ_CHECK(metadata.m_id3v2Len == 0 && metadata.m_id3v1Len == 0);
        FUZZ_CHECK(metadata.digest.size() == 32);
        FUZZ_CHECK(metadata.lengthSecs > 0 && metadata.bitRate > 0);
        FUZZ_CHECK(metadata.artSize == 0 || (metadata.artSize >= FileMetaData::kMinArtBytes &&
                                             metadata.artSize <= FileMetaData::kMaxArtBytes));
        std::vector<unsigned char> picture;
        std::string mimeType;
        if (metadata.GetCoverArt(picture, mimeType))
            FUZZ_CHECK(picture.size() == metadata.artSize);
    }
    std::remove(path.c_str());
    return 0;
}
