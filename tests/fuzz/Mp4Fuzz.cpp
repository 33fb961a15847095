// Feeds the MPEG-4 analysis with a file's bytes: the top-level box walk on
// its own (the data start it gives must be the payload of an "mdat" box
// header); the cut of item lists too large to read whole, with limits small
// enough for the inputs (each edit is a list of whole small items and a free
// box to where the list ended, and the file's view with the edits reads as
// the bytes with them applied); then the whole analysis through the demuxer
// and TagLib on a temporary .m4a file, whose data region must be the one the
// walk found.
#include "client/media/FileMetaData.h"
#include "client/media/FileView.h"
#include "client/media/Mp4Boxes.h"
#include "client/media/Mp4ItemLists.h"
#include "include/text/Utf8.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"
#include "tests/fuzz/support/FuzzSupport.h"
#include "tests/support/media/M4aFixture.h"
#include "tests/support/media/MemoryReader.h"

#include <fcntl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr TagLimits kSmallLimits{64, 20};

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

// One edit of the list cut: an oversized list of the input, replaced by a
// list of whole items within the limits and the header of a free box that
// ends where the list ended.
void CheckListEdit(const uint8_t* data, size_t size, const ViewEdit& edit) {
    const ByteReader original = testsupport::MemoryReader(data, size);
    const ByteReader replaced = testsupport::MemoryReader(edit.bytes.data(), edit.bytes.size());
    const uint64_t end = edit.bytes.size();
    Mp4Box list, cut, free;
    FUZZ_CHECK(edit.length == end && edit.offset <= size && end <= size - edit.offset);
    FUZZ_CHECK(ReadBoxHeader(original, edit.offset, size, list) && list.IsA("ilst"));
    FUZZ_CHECK(list.size > kSmallLimits.wholeTagBytes && list.size <= size - edit.offset);
    FUZZ_CHECK(ReadBoxHeader(replaced, 0, end, cut) && cut.IsA("ilst") &&
               cut.size <= kSmallLimits.wholeTagBytes);
    FUZZ_CHECK(ReadBoxHeader(replaced, cut.size, end, free) && free.IsA("free"));
    FUZZ_CHECK(free.PayloadStart() == end && cut.size + free.size == list.size);
    Mp4Box item;
    uint64_t position = cut.PayloadStart();
    while (position < cut.size) {
        FUZZ_CHECK(ReadBoxHeader(replaced, position, cut.size, item) && !item.runsToEnd);
        FUZZ_CHECK(item.size >= item.headerBytes && item.size - item.headerBytes <= kSmallLimits.itemBytes);
        position += item.size;
    }
    FUZZ_CHECK(position == cut.size);
}

// The view of the file with the edits reads as its bytes with them applied,
// in pieces of every size.
void CheckView(const std::string& path, const uint8_t* data, size_t size,
               const std::vector<ViewEdit>& edits) {
    std::string expected(reinterpret_cast<const char*>(data), size);
    const platform::UniqueFd fd(platform::OpenCloexec(path, O_RDONLY));
    FileView view(fd.Get());
    for (const ViewEdit& edit : edits) {
        expected.replace(edit.offset, edit.length, edit.bytes);
        FUZZ_CHECK(view.Apply(edit));
    }
    FUZZ_CHECK(view.Size() == expected.size());
    std::string read(expected.size(), '\0');
    size_t piece = 1;
    for (size_t at = 0; at < read.size(); at += piece, piece = piece % 97 + 1) {
        const size_t count = std::min(piece, read.size() - at);
        FUZZ_CHECK(view.ReadAt(at, &read[at], count) == static_cast<int64_t>(count));
    }
    FUZZ_CHECK(read == expected);
    char past = 0;
    FUZZ_CHECK(view.ReadAt(expected.size(), &past, 1) == 0);
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
    const std::vector<ViewEdit> edits = TrimMp4ItemLists(read, size, kSmallLimits);
    uint64_t editsEnd = 0;
    for (const ViewEdit& edit : edits) {
        FUZZ_CHECK(edit.offset >= editsEnd);
        CheckListEdit(data, size, edit);
        editsEnd = edit.offset + edit.length;
    }
    CheckView(path, data, size, edits);

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
