// Writes one MP3 file made by the fixture maker, for scripts that need a few
// real music files:
//   melvane-make-mp3 PATH SECONDS [TITLE ARTIST ALBUM]
// Without the texts the file has no tags.
#include "tests/support/media/Mp3Fixture.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr int kFramesPerSecond = 40;
constexpr int kMaxSeconds = 3600;

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 6) {
        std::fprintf(stderr, "usage: melvane-make-mp3 PATH SECONDS [TITLE ARTIST ALBUM]\n");
        return 2;
    }
    const int seconds = std::atoi(argv[2]);
    if (seconds < 1 || seconds > kMaxSeconds) {
        std::fprintf(stderr, "melvane-make-mp3: SECONDS must be 1 to %d\n", kMaxSeconds);
        return 2;
    }
    testsupport::Mp3Tags tags;
    if (argc == 6) {
        tags.v2 = true;
        tags.title = argv[3];
        tags.artist = argv[4];
        tags.album = argv[5];
    }
    if (!testsupport::WriteMp3(argv[1], std::string(), seconds * kFramesPerSecond, tags)) {
        std::fprintf(stderr, "melvane-make-mp3: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
