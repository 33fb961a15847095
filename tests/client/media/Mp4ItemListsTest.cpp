#include "client/media/Mp4ItemLists.h"

#include "tests/support/media/MemoryReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Small limits, so that small lists show the cuts: lists of more than 64
// bytes are cut down, items of more than 20 bytes after their header left
// out, and 40 bytes of items kept at most.
constexpr TagLimits kLimits{64, 20};

std::string U32(uint64_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string Box(const char* type, const std::string& payload) {
    return U32(8 + payload.size()) + type + payload;
}

std::string LargeBox(const char* type, const std::string& payload) {
    return U32(1) + type + U32(0) + U32(16 + payload.size()) + payload;
}

std::string Item(const char* type, size_t bytes) {
    return Box(type, std::string(bytes, 'i'));
}

// `list` as cut down: the kept items, then a free box to its old end.
std::string CutList(const std::string& kept, const std::string& list) {
    return Box("ilst", kept) + U32(list.size() - 8 - kept.size()) + "free" + list.substr(16 + kept.size());
}

std::string Meta(const std::string& children) {
    return Box("meta", std::string(4, '\0') + Box("hdlr", std::string(20, 'h')) + children);
}

// The tags where the tag library takes them from.
std::string Movie(const std::string& list) {
    return Box("moov", Box("udta", Meta(list)));
}

// The file with the edits applied, each over the bytes it replaces.
std::string Applied(std::string file, const std::vector<ViewEdit>& edits) {
    for (const ViewEdit& edit : edits) {
        EXPECT_EQ(edit.length, edit.bytes.size());
        file.replace(edit.offset, edit.length, edit.bytes);
    }
    return file;
}

} // namespace

TEST(Mp4ItemListsTest, ListsTooLargeAreCutDownInPlace) {
    const std::string a = Item("\251nam", 8), b = Item("aART", 4), big = Item("covr", 30);
    const std::string list = Box("ilst", a + big + b + Item("free", 20));
    const std::string cut = CutList(a + b, list);
    const std::string large = LargeBox("ilst", a + big + b);
    const std::string three = Box("ilst", a + a + a + b);
    // The second item claims more than the list holds.
    const std::string past = Box("ilst", a + U32(200) + "covr" + std::string(40, 'c') + b);
    const std::string trak = Box("trak", Box("tkhd", std::string(12, 't')));
    const std::string audio = Box("mdat", std::string(40, 'm'));
    const struct {
        const char* what;
        std::string file;
        std::string expected;
    } cases[] = {
        {"movie last", audio + Box("moov", trak + Box("udta", Meta(list))),
         audio + Box("moov", trak + Box("udta", Meta(cut)))},
        {"movie first, 64-bit sizes", LargeBox("moov", Box("udta", Meta(large))) + audio,
         LargeBox("moov", Box("udta", Meta(CutList(a + b, large)))) + audio},
        {"a meta box without version and flags",
         Box("moov", Box("udta", Box("meta", Box("hdlr", "") + list))),
         Box("moov", Box("udta", Box("meta", Box("hdlr", "") + cut)))},
        {"every list the demuxer reads", Box("moov", Box("trak", Box("udta", Meta(list))) + Meta(list)),
         Box("moov", Box("trak", Box("udta", Meta(cut))) + Meta(cut))},
        {"kept while they fit", Movie(three), Movie(CutList(a + a, three))},
        {"an item past the list ends the walk", Movie(past), Movie(CutList(a, past))},
        {"small enough to read whole", Movie(Box("ilst", a + b)), Movie(Box("ilst", a + b))},
        {"outside the movie box", Box("udta", Meta(list)) + Box("moov", trak),
         Box("udta", Meta(list)) + Box("moov", trak)},
        {"a movie box past the end", Movie(list).substr(0, 100), Movie(list).substr(0, 100)},
    };
    for (const auto& c : cases) {
        const std::vector<ViewEdit> edits =
            TrimMp4ItemLists(testsupport::MemoryReader(c.file.data(), c.file.size()), c.file.size(), kLimits);
        EXPECT_TRUE(Applied(c.file, edits) == c.expected) << c.what;
    }
}
