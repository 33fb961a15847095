#include "client/media/Id3v2Trim.h"

#include "tests/support/media/MemoryReader.h"

#include <gtest/gtest.h>

namespace {

// Small limits, so that small tags show the cuts.
constexpr TagLimits kLimits{64, 20};

std::string BigEndian(uint32_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string Syncsafe(uint32_t value) {
    std::string out;
    for (int i = 3; i >= 0; --i)
        out += static_cast<char>((value >> (7 * i)) & 0x7F);
    return out;
}

// A frame of each version's header layout, `bodyBytes` of `fill`.
std::string Frame(int version, const std::string& id, size_t bodyBytes, char fill = 'x') {
    const auto size = static_cast<uint32_t>(bodyBytes);
    const std::string body(bodyBytes, fill);
    if (version == 2)
        return id.substr(0, 3) + BigEndian(size, 3) + body;
    return id + (version == 3 ? BigEndian(size, 4) : Syncsafe(size)) + std::string(2, '\0') + body;
}

std::string Tag(int version, unsigned char flags, const std::string& frames) {
    return std::string("ID3") + static_cast<char>(version) + '\0' + static_cast<char>(flags) +
           Syncsafe(static_cast<uint32_t>(frames.size())) + frames;
}

std::string Repeated(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

bool Trim(const std::string& file, std::string& trimmed) {
    return TrimId3v2Tag(testsupport::MemoryReader(file.data(), file.size()), file.size(), kLimits, trimmed);
}

} // namespace

TEST(Id3v2TrimTest, FramesTooLargeAreLeftOutAndTheRestKept) {
    const std::string a4 = Frame(4, "TIT2", 10), c4 = Frame(4, "TXXX", 5);
    const std::string a3 = Frame(3, "TIT2", 10), c3 = Frame(3, "TXXX", 5);
    const std::string a2 = Frame(2, "TT2", 10), c2 = Frame(2, "TXX", 5);
    // 256 bytes written as a plain number: read as syncsafe, 128, it would
    // land inside the frame.
    const std::string plainSize = "APIC" + BigEndian(256, 4) + std::string(2, '\0') + std::string(256, 'x');
    const std::string extended = BigEndian(6, 4) + std::string(6, '\0');
    const struct {
        const char* name;
        std::string tag;
        std::string trimmed;
    } cases[] = {
        {"2.4", Tag(4, 0, a4 + Frame(4, "APIC", 40) + c4 + std::string(20, '\0')), Tag(4, 0, a4 + c4)},
        {"2.4, a plain size", Tag(4, 0, a4 + plainSize + c4), Tag(4, 0, a4 + c4)},
        {"2.4, footer", Tag(4, 0x10, a4 + Frame(4, "APIC", 40)), Tag(4, 0, a4)},
        {"2.3, extended header", Tag(3, 0x40, extended + a3 + Frame(3, "APIC", 40) + c3), Tag(3, 0, a3 + c3)},
        {"2.2", Tag(2, 0, a2 + Frame(2, "PIC", 40) + c2), Tag(2, 0, a2 + c2)},
        // A frame is kept when the copy still has room for it.
        {"many", Tag(4, 0, a4 + a4 + a4 + c4 + Frame(4, "TCON", 2)),
         Tag(4, 0, a4 + a4 + Frame(4, "TCON", 2))},
        {"a frame past the end", Tag(4, 0, a4 + Frame(4, "APIC", 40).substr(0, 30) + c4), Tag(4, 0, a4)},
        // The walk ends after 4096 frames, however small they are.
        {"4096 frames", Tag(4, 0, Repeated(Frame(4, "APIC", 21), 4096) + c4), Tag(4, 0, "")},
        {"2.3 unsynchronised", Tag(3, 0x80, a3 + Frame(3, "APIC", 60)), Tag(3, 0x80, "")},
        {"2.2 unsynchronised", Tag(2, 0x80, a2 + Frame(2, "PIC", 60)), Tag(2, 0x80, "")},
        {"2.5", Tag(5, 0, a4 + Frame(4, "APIC", 60)), Tag(5, 0, "")},
    };
    for (const auto& c : cases) {
        std::string trimmed;
        EXPECT_TRUE(Trim(c.tag, trimmed)) << c.name;
        EXPECT_TRUE(trimmed == c.trimmed) << c.name;
    }
    std::string trimmed = "stale";
    EXPECT_FALSE(Trim(Tag(4, 0, a4 + a4), trimmed));
    EXPECT_EQ("", trimmed);
}
