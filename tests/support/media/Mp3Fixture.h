// MP3 files made by the tests themselves: silent MPEG-1 Layer III frames
// built by hand, with ID3v1 and ID3v2 tags written by TagLib.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// One frame at 128 kbit/s and 44100 Hz without padding.
constexpr size_t kMp3FrameBytes = 417;

// `count` frames; 40 frames play for about one second.
std::string Mp3Frames(int count);

// One ID3v2 frame to add, in order:
// "TXXX": text = description, value = value; "TCON", "TPE2": text;
// "PRIV": text = owner, value = data ("data" when empty); "APIC": text = MIME type, pictureBytes = size of
// a picture made by FixturePicture.
struct Id3Frame {
    std::string id;
    std::string text;
    std::string value;
    size_t pictureBytes = 0;
};

struct Mp3Tags {
    bool v1 = false;
    std::string v1Title, v1Artist, v1Album, v1Comment;
    bool v2 = false;
    std::string title, artist, album;
    unsigned track = 0;
    std::vector<Id3Frame> frames;
};

// Picture bytes of a given size, different for every size.
std::string FixturePicture(size_t size);

// Writes the file: `prefix` (junk between the tags and the audio), then the
// frames, and then the tags that `tags` asks for. False when TagLib could
// not save them.
[[nodiscard]] bool WriteMp3(const std::string& path, const std::string& prefix, int frameCount,
                            const Mp3Tags& tags = Mp3Tags());

// An MP3 file of `frameCount` frames behind an ID3v2.4 tag of the frames
// `before`, an "APIC" frame of a JPEG picture of `pictureBytes` and the
// frames `after`, the tag behind `junk`. The picture is a hole in the file,
// never written (zeros): only the frame's size says it is there. False when
// it was not written.
[[nodiscard]] bool WriteMp3WithHollowPicture(const std::string& path, const std::vector<Id3Frame>& before,
                                             uint32_t pictureBytes, const std::vector<Id3Frame>& after,
                                             int frameCount, const std::string& junk = std::string());

// A whole ID3v2.4 tag of `frames`, without padding.
std::string Id3v2TagOf(const std::vector<Id3Frame>& frames);

// Junk that the scan's frame search takes for the first audio frame (a frame
// header, then no frame where the next one would be), while the tag library
// looks on behind it for a tag.
std::string FalseFrameJunk();

// The bytes of an MP3 file without tags: `zeros` zero bytes, then `frames`
// frames whose bodies differ from frame to frame, so bytes out of order show.
std::string PatternedMp3(int frames, size_t zeros);

// The length of the ID3v2 tag that `file` begins with, header included (0
// without one).
size_t Id3v2Bytes(const std::string& file);

// The file-set id of a file whose audio data (less than 128 KiB, no ID3v1
// tag) start at `audioStart`: MD5 of the first 4096 audio bytes and the audio
// length in decimal, its first 8 bytes big-endian, shifted right by one.
uint64_t Mp3FileSetId(const std::string& file, size_t audioStart);

// Owner and data of every PRIV frame in the file's ID3v2 tag, in order.
std::vector<std::pair<std::string, std::string>> PrivFrames(const std::string& path);

} // namespace testsupport
