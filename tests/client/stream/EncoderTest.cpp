#include "client/stream/Encoder.h"

#include "client/media/FileMetaData.h"
#include "include/io/Buf.h"
#include "platform/fs/FileOps.h"
#include "platform/fs/UniqueFd.h"
#include "platform/time/Clock.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/TempDir.h"
#include "tests/support/core/SequenceRandom.h"
#include "tests/support/media/Mp3Fixture.h"
#include "tests/support/media/OggFrames.h"
#include "tests/support/media/ToneFixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

namespace {

using testsupport::DecodedOgg;
using testsupport::OggFrame;
using testsupport::TempDir;
using testsupport::ToneSpec;

// The output buffer of an HTTP connection, and one smaller than any page.
constexpr int kConnBufBytes = 65536;
constexpr int kTinyBufBytes = 7;
constexpr long kRate = Encoder::kSampleRate;

int64_t FileSize(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size : -1;
}

// Fills and empties an output buffer of `bufBytes` until the encoder ends,
// as the song answer does once per pass; `mostRead` gets the most bytes of
// the file one Fill read.
std::string DrainEncoder(Encoder& encoder, int bufBytes, int64_t* mostRead = nullptr) {
    Buf out(bufBytes);
    std::string body;
    for (int pass = 0; pass < 10000000; ++pass) {
        const int64_t readBefore = encoder.BytesRead();
        bool more = encoder.Fill(out);
        if (mostRead)
            *mostRead = std::max(*mostRead, encoder.BytesRead() - readBefore);
        body.append(reinterpret_cast<const char*>(out.GetReadPtr()),
                    static_cast<size_t>(out.GetNumUsedBytes()));
        out.Reset();
        if (!more)
            return body;
    }
    ADD_FAILURE() << "the encoder never ended";
    return body;
}

// Opens the encoder as the song server does: on the file opened by its path
// and checked to be a regular one.
bool OpenSong(Encoder& encoder, const std::string& path, uint32_t encType, int quality = 2) {
    const platform::UniqueFd file(platform::OpenRegularFileRead(path, nullptr));
    return encoder.Open(file.Get(), std::wstring(path.begin(), path.end()), encType, quality);
}

std::string Transcode(const std::string& path, uint32_t encType, int bufBytes = kConnBufBytes,
                      const std::function<void(Encoder&)>& position = nullptr, int quality = 2) {
    Encoder encoder;
    if (!OpenSong(encoder, path, encType, quality)) {
        ADD_FAILURE() << "cannot open " << path;
        return std::string();
    }
    if (position)
        position(encoder);
    return DrainEncoder(encoder, bufBytes);
}

size_t PageHeaderBytes(const std::string& page) {
    return page.size() < 27 ? page.size() : 27 + static_cast<uint8_t>(page[26]);
}

// The Vorbis header packet a page starts with: 1, 3 or 5; 0 for audio.
int HeaderType(const std::string& page) {
    size_t body = PageHeaderBytes(page);
    if (page.size() < body + 7 || page.compare(body + 1, 6, "vorbis") != 0)
        return 0;
    return static_cast<uint8_t>(page[body]);
}

struct ReadBack {
    std::vector<OggFrame> frames;
    DecodedOgg audio;
};

// Checks the framing of a whole answer body and decodes its pages.
ReadBack ReadWhole(const std::string& body, int64_t sourceBytes) {
    ReadBack result;
    EXPECT_TRUE(testsupport::SplitOggFrames(body, result.frames));
    const std::vector<OggFrame>& frames = result.frames;
    if (frames.size() < 5) {
        ADD_FAILURE() << frames.size() << " frames";
        return result;
    }
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(frames[i].position, 0u);
        EXPECT_EQ(HeaderType(frames[i].page), 2 * i + 1) << "header page " << i;
    }
    EXPECT_TRUE(frames.back().page.empty()) << "no end marker";
    const std::string& last = frames[frames.size() - 2].page;
    EXPECT_TRUE(last.size() > 5 && (last[5] & 0x04)) << "the page before the marker does not end the stream";
    std::string ogg;
    uint32_t previous = 0;
    for (size_t i = 0; i < frames.size() - 1; ++i) {
        EXPECT_FALSE(frames[i].page.empty()) << "marker at frame " << i;
        EXPECT_EQ(frames[i].page.compare(0, 4, "OggS"), 0) << "frame " << i;
        if (i >= 3) {
            EXPECT_EQ(HeaderType(frames[i].page), 0);
            EXPECT_GE(frames[i].position, previous) << "frame " << i;
            EXPECT_LT(frames[i].position, sourceBytes) << "frame " << i;
            previous = frames[i].position;
        }
        ogg += frames[i].page;
    }
    EXPECT_TRUE(testsupport::DecodeOgg(ogg, result.audio));
    EXPECT_EQ(result.audio.sampleRate, kRate);
    EXPECT_EQ(result.audio.channels, 2);
    return result;
}

double Seconds(const DecodedOgg& audio) {
    return static_cast<double>(audio.samples.size()) / 2 / kRate;
}

// Frequency (from rising zero crossings) and RMS of one channel, over the
// middle of the audio so that the encoder's edges do not count.
void Measure(const DecodedOgg& audio, int channel, double& frequency, double& rms) {
    size_t frames = audio.samples.size() / 2;
    size_t from = frames / 4, to = frames * 3 / 4;
    int crossings = 0;
    double sum = 0;
    for (size_t i = from; i < to; ++i) {
        double sample = audio.samples[2 * i + channel] / 32768.0;
        sum += sample * sample;
        if (i > from && audio.samples[2 * (i - 1) + channel] < 0 && audio.samples[2 * i + channel] >= 0)
            ++crossings;
    }
    double seconds = static_cast<double>(to - from) / kRate;
    frequency = crossings / seconds;
    rms = std::sqrt(sum / static_cast<double>(to - from));
}

void ExpectTone(const DecodedOgg& audio, const ToneSpec& spec, int slackFrames) {
    EXPECT_NEAR(static_cast<double>(audio.samples.size() / 2), spec.seconds * kRate, slackFrames);
    // A mono source reaches both channels at half its power.
    double expectedRms =
        testsupport::kToneAmplitude / std::sqrt(2.0) / (spec.channels == 1 ? std::sqrt(2.0) : 1.0);
    for (int channel = 0; channel < 2; ++channel) {
        double frequency = 0, rms = 0;
        Measure(audio, channel, frequency, rms);
        EXPECT_NEAR(frequency, spec.frequency, spec.frequency * 0.02) << "channel " << channel;
        EXPECT_NEAR(rms, expectedRms, 0.03) << "channel " << channel;
    }
}

struct ToneCase {
    const char* name;
    const char* file;
    ToneSpec spec;
    uint32_t encType;
    // Frames the source itself may add: AAC pads its last frame.
    int slackFrames;
};

const ToneCase kMp3Tone{"MP3", "tone.mp3", {"mp3", "libmp3lame", 44100, 2, 3.0}, MP3, 1};
const ToneCase kAacTone{"AAC", "tone.m4a", {"ipod", "aac", 44100, 2, 3.0}, AAC, 1024};
const ToneCase kMonoTone{"48 kHz mono AAC", "mono.m4a", {"ipod", "aac", 48000, 1, 3.0}, AAC, 1024};
// Each 4096-frame packet resamples to more than the staging buffer holds.
const ToneCase kLowRateTone{"4 kHz ALAC", "low.m4a", {"ipod", "alac", 4000, 1, 3.0}, AAC, 1};

// Writes the case's file; false (and a note) when FFmpeg lacks its encoder.
bool MakeTone(const TempDir& dir, const ToneCase& tone, std::string& path) {
    path = dir.File(tone.file);
    if (!testsupport::HasAudioEncoder(tone.spec.encoder)) {
        std::printf("no %s encoder: %s not tried\n", tone.spec.encoder.c_str(), tone.name);
        return false;
    }
    EXPECT_TRUE(testsupport::WriteTone(path, tone.spec)) << tone.name;
    return true;
}

} // namespace

TEST(EncoderTest, EachInputReadsBackWholeAlsoThroughATinyOutput) {
    TempDir dir;
    testsupport::SequenceRandom serial({0x1234567});
    for (const ToneCase& tone : {kMp3Tone, kAacTone, kMonoTone, kLowRateTone}) {
        SCOPED_TRACE(tone.name);
        std::string path;
        if (!MakeTone(dir, tone, path))
            continue;
        std::string body = Transcode(path, tone.encType);
        ReadBack back = ReadWhole(body, FileSize(path));
        EXPECT_NE(std::find(back.audio.comments.begin(), back.audio.comments.end(), "ENCODER=Melvane"),
                  back.audio.comments.end());
        ExpectTone(back.audio, tone.spec, tone.slackFrames);
        // Pages wait for room rather than being lost: the same bytes come out.
        EXPECT_TRUE(Transcode(path, tone.encType, kTinyBufBytes) == body);
        // The file handed over is read, whatever its name holds by now.
        const platform::UniqueFd file(platform::OpenRegularFileRead(path, nullptr));
        testsupport::ReplaceFileText(path, "not a song");
        Encoder encoder;
        ASSERT_TRUE(encoder.Open(file.Get(), std::wstring(path.begin(), path.end()), tone.encType, 2));
        EXPECT_TRUE(DrainEncoder(encoder, kConnBufBytes) == body);
    }
}

TEST(EncoderTest, QualityIsClampedAndEncodedInTenths) {
    TempDir dir;
    std::string path;
    ToneCase tone = kMonoTone;
    tone.spec.seconds = 0.5;
    ASSERT_TRUE(MakeTone(dir, tone, path));
    const struct {
        long long requested;
        int quality;
    } cases[] = {{9, 6}, {6, 6}, {2, 2}, {0, 0}, {-1, -1}, {-7, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.requested);
        int quality = Encoder::ClampQuality(c.requested);
        EXPECT_EQ(quality, c.quality);
        vorbis_info expected;
        vorbis_info_init(&expected);
        ASSERT_EQ(vorbis_encode_init_vbr(&expected, 2, kRate, c.quality / 10.0f), 0);
        ReadBack back =
            ReadWhole(Transcode(path, tone.encType, kConnBufBytes, nullptr, quality), FileSize(path));
        EXPECT_EQ(back.audio.nominalBitrate, expected.bitrate_nominal);
        vorbis_info_clear(&expected);
    }
}

// A file is read only as what the library took it for: an MP3 or a WAV
// named as MPEG-4 does not open, even though FFmpeg could decode it.
TEST(EncoderTest, FilesThatAreNotOfTheirTypeFailToOpenAndWriteNothing) {
    TempDir dir;
    testsupport::WriteFileText(dir.File("empty.mp3"), "");
    testsupport::WriteFileText(dir.File("text.mp3"), std::string(5000, 'x'));
    testsupport::WriteFileText(dir.File("notes.m4a"), "ftyp but nothing else");
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("song.mp3"), "", 100, {}));
    ASSERT_TRUE(testsupport::WriteTone(dir.File("tone.wav"), {"wav", "pcm_s16le", 44100, 2, 0.5}));
    const struct {
        const char* name;
        uint32_t encType;
    } cases[] = {
        {"missing.mp3", MP3}, {"empty.mp3", MP3}, {"text.mp3", MP3},       {"notes.m4a", MP3},
        {"song.mp3", AAC},    {"tone.wav", AAC},  {"song.mp3", ENC_OTHER},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name + std::string(" as type ") + std::to_string(c.encType));
        Encoder encoder;
        testsupport::CapturedLog log;
        EXPECT_FALSE(OpenSong(encoder, dir.File(c.name), c.encType));
        EXPECT_TRUE(log.Contains("failed for " + dir.File(c.name)) || log.Contains("Error finding decoder") ||
                    log.Contains("Cannot transcode"))
            << log.Text();
        Buf out(kConnBufBytes);
        EXPECT_FALSE(encoder.Fill(out));
        EXPECT_EQ(out.GetNumUsedBytes(), 0);
    }
}

// No packet of the file decodes, so no step ends by encoding: each Fill
// still reads a bounded number of packets, and the failure is logged once.
TEST(EncoderTest, AFileThatDoesNotDecodeIsReadAFewPacketsAPassAndLoggedOnce) {
    TempDir dir;
    const std::string path = dir.File("damaged.m4a");
    ASSERT_TRUE(testsupport::WriteTone(path, kAacTone.spec));
    // Every byte of the audio data becomes 0.
    std::string bytes = testsupport::ReadFileText(path);
    const size_t box = bytes.find("mdat") - 4;
    ASSERT_LT(box, bytes.size());
    uint32_t boxBytes = 0;
    for (size_t i = box; i < box + 4; ++i)
        boxBytes = boxBytes << 8 | static_cast<uint8_t>(bytes[i]);
    ASSERT_LE(box + boxBytes, bytes.size());
    bytes.replace(box + 8, boxBytes - 8, boxBytes - 8, '\0');
    testsupport::WriteFileText(path, bytes);

    testsupport::CapturedLog log;
    Encoder encoder;
    ASSERT_TRUE(OpenSong(encoder, path, AAC));
    // The first Fill gives the header pages; the next two read packets.
    Buf out(kConnBufBytes);
    for (int pass = 0; pass < 3; ++pass) {
        EXPECT_TRUE(encoder.Fill(out));
        out.Reset();
    }
    EXPECT_EQ(log.Count("failed - eof"), 0u);
    EXPECT_EQ(log.Count("avcodec_decode_audio3 failed"), 1u);
    DrainEncoder(encoder, kConnBufBytes);
    EXPECT_EQ(log.Count("failed - eof"), 1u);
    EXPECT_EQ(log.Count("avcodec_decode_audio3 failed"), 1u) << log.Text();
}

namespace {

// A monotonic clock on which every look takes a second, for as long as it
// lives: any budget of time is spent at its first look.
class SlowClock final : public platform::Clock {
  public:
    SlowClock() { platform::SetClockOverride(this); }
    ~SlowClock() override { platform::SetClockOverride(nullptr); }
    int64_t WallSeconds() override { return 0; }
    int64_t WallMillis() override { return 0; }
    uint64_t MonotonicMs() override { return m_ms += 1000; }

  private:
    uint64_t m_ms = 0;
};

} // namespace

// A short song followed by 64 MiB of zeros (a hole in the file), through
// which the demuxer would run in one read looking for the next frame. Each
// Fill reads a bounded share of it, a smaller one when reads are slow, and
// the stream ends whole once no audio came for a while, the rest unread. A
// seek before the first Fill reads a bounded share too, and the stream goes
// on from where its reads stopped; a packet skip reads nothing itself, the
// Fills skip on a share each. A percentage seek in an MP3 cut short goes to
// that share of the audio's bytes, with no error for the attempt.
TEST(EncoderTest, AStretchWithoutAudioIsReadABoundedShareAPassAndEndsTheStream) {
    TempDir dir;
    const int mp3Frames = 120;
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("padded.mp3"), "", mp3Frames));
    const int64_t mp3Bytes = FileSize(dir.File("padded.mp3"));
    ASSERT_EQ(0, truncate(dir.File("padded.mp3").c_str(), mp3Bytes + (64 << 20)));
    const double mp3Seconds = mp3Frames * 1152.0 / kRate;
    // A song whose packets run past a seek's share.
    const int longFrames = 6000;
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("long.mp3"), "", longFrames));
    const double longSeconds = longFrames * 1152.0 / kRate;
    ASSERT_GT(FileSize(dir.File("long.mp3")), 2 * Encoder::kSeekReadBudget.bytesBeforeMs);
    // The same behind a cover four times its size, a hole the demuxer skips.
    const int64_t longAudioBytes = static_cast<int64_t>(longFrames) * testsupport::kMp3FrameBytes;
    ASSERT_TRUE(testsupport::WriteMp3WithHollowPicture(dir.File("tagged.mp3"), {{"TIT2", "Song", ""}},
                                                       static_cast<uint32_t>(4 * longAudioBytes), {},
                                                       longFrames));
    const int64_t taggedBytes = FileSize(dir.File("tagged.mp3"));
    const AudioRegion taggedAudio{taggedBytes - longAudioBytes, taggedBytes};
    const int64_t taggedTarget = taggedAudio.start + (taggedAudio.end - taggedAudio.start) * 9 / 10;
    // Uncompressed, so that a song longer than a seek's share is cheap to make.
    const ToneSpec pcm{"mov", "pcm_s16le", 44100, 2, 12.0};
    ASSERT_TRUE(testsupport::WriteTone(dir.File("pcm.m4a"), pcm));
    const int64_t pcmBytes = FileSize(dir.File("pcm.m4a"));
    // The same in fragments of a second, which the demuxer indexes as it
    // reads them.
    ASSERT_TRUE(testsupport::WriteTone(dir.File("fragmented.m4a"), pcm,
                                       "movflags=empty_moov+global_sidx:frag_duration=1000000"));
    const int64_t fragmentedBytes = FileSize(dir.File("fragmented.m4a"));
    // Skipped to, further in than a Fill's budget.
    const int64_t pcmSkipTo = pcmBytes * 3 / 4;
    const int64_t fragmentedSkipTo = fragmentedBytes * 3 / 4;
    const double pcmSecondsPastSkip = static_cast<double>(pcmBytes - pcmSkipTo) / (kRate * 4);
    // One read of the demuxer's buffer may follow the last look at the budget.
    const int64_t readAhead = 64 << 10;
    const int64_t fillBytes = Encoder::kFillReadBudget.bytes + readAhead;
    const int64_t slowFillBytes = Encoder::kFillReadBudget.bytesBeforeMs + readAhead;
    ASSERT_GT(pcmSkipTo, fillBytes);
    // By time stamp, then by bytes.
    const int64_t mp3SeekBytes = 2 * (Encoder::kMp3SeekReadBudget.bytes + readAhead);
    const int64_t slowMp3SeekBytes = 2 * (Encoder::kMp3SeekReadBudget.bytesBeforeMs + readAhead);
    const int64_t anywhere = std::numeric_limits<int64_t>::max();
    const struct {
        const char* name;
        const char* file;
        uint32_t encType;
        int64_t audioBytes;
        bool slow;
        // Run before the first Fill, and what it may read.
        std::function<void(Encoder&)> seek;
        int64_t mostToSeek;
        int64_t mostPerFill;
        double leastSeconds;
        double mostSeconds;
        // The source position of the first page of audio.
        int64_t leastStart;
        int64_t mostStart;
        // What the input may read in all, its opening included.
        int64_t mostInAll = std::numeric_limits<int64_t>::max();
    } cases[] = {
        {"fast reads", "padded.mp3", MP3, mp3Bytes, false, nullptr, 0, fillBytes, mp3Seconds - 0.05,
         mp3Seconds + 0.05, 0, anywhere},
        {"slow reads", "padded.mp3", MP3, mp3Bytes, true, nullptr, 0, slowFillBytes, mp3Seconds - 0.05,
         mp3Seconds + 0.05, 0, anywhere},
        // The duration is told from the file's size, so 90 % of it lies among
        // the zeros, and FFmpeg seeks by reading every packet on the way.
        {"a seek, fast reads", "padded.mp3", MP3, mp3Bytes, false,
         [](Encoder& e) { e.SeekPercent(90, AudioRegion()); }, mp3SeekBytes, fillBytes, 0, mp3Seconds, 0,
         anywhere},
        {"a seek, slow reads", "padded.mp3", MP3, mp3Bytes, true,
         [](Encoder& e) { e.SeekPercent(90, AudioRegion()); }, slowMp3SeekBytes, slowFillBytes, 0, mp3Seconds,
         0, anywhere},
        // Cut short, the seek goes to the same share of the file's bytes.
        {"a seek into a long song, slow reads", "long.mp3", MP3, FileSize(dir.File("long.mp3")), true,
         [](Encoder& e) { e.SeekPercent(90, AudioRegion()); }, slowMp3SeekBytes, slowFillBytes,
         longSeconds * 0.08, longSeconds * 0.12, 0, anywhere},
        // ... of the audio's bytes, the leading tag not counted.
        {"a seek into a long song behind a large tag, slow reads", "tagged.mp3", MP3, taggedBytes, true,
         [&](Encoder& e) { e.SeekPercent(90, taggedAudio); }, slowMp3SeekBytes, slowFillBytes,
         longSeconds * 0.08, longSeconds * 0.12, taggedTarget - 1024, taggedTarget + 8192},
        // Packets the demuxer has not indexed yet are skipped up to the
        // offset, a Fill's share a pass, the seek itself reading nothing,
        // however many passes that takes.
        {"a skip, slow reads", "fragmented.m4a", AAC, fragmentedBytes, true,
         [&](Encoder& e) { e.SeekAhead(fragmentedSkipTo); }, 0, slowFillBytes, pcmSecondsPastSkip - 0.15,
         pcmSecondsPastSkip + 0.15, fragmentedSkipTo, fragmentedSkipTo + 16384},
        // Where the index tells the packets' places, the input starts next to
        // the offset: what lies before it is not read.
        {"a skip, fast reads", "pcm.m4a", AAC, pcmBytes, false, [&](Encoder& e) { e.SeekAhead(pcmSkipTo); },
         0, fillBytes, pcmSecondsPastSkip - 0.15, pcmSecondsPastSkip + 0.15, pcmSkipTo, pcmSkipTo + 16384,
         pcmBytes - pcmSkipTo + fillBytes},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<SlowClock> clock(c.slow ? new SlowClock : nullptr);
        testsupport::CapturedLog log;
        Encoder encoder;
        ASSERT_TRUE(OpenSong(encoder, dir.File(c.file), c.encType));
        const int64_t openRead = encoder.BytesRead();
        if (c.seek)
            c.seek(encoder);
        const int64_t seekRead = encoder.BytesRead() - openRead;
        EXPECT_LE(seekRead, c.mostToSeek);
        int64_t mostRead = 0;
        const std::string body = DrainEncoder(encoder, kConnBufBytes, &mostRead);
        EXPECT_LE(mostRead, c.mostPerFill);
        EXPECT_LE(encoder.BytesRead() - openRead, c.mostInAll);
        // The stretch is cut short within one Fill of the bound.
        EXPECT_LE(encoder.BytesRead(), c.audioBytes + seekRead + Encoder::kMaxBytesWithoutAudio +
                                           2 * Encoder::kFillReadBudget.bytes);
        const ReadBack back = ReadWhole(body, FileSize(dir.File(c.file)));
        EXPECT_GE(Seconds(back.audio), c.leastSeconds);
        EXPECT_LE(Seconds(back.audio), c.mostSeconds);
        if (back.frames.size() > 4) {
            EXPECT_GE(back.frames[3].position, c.leastStart);
            EXPECT_LE(back.frames[3].position, c.mostStart);
        }
        // An attempt that the seek goes on from is no failure.
        EXPECT_EQ(log.Count("(ERR): Seek to"), 0) << log.Text();
    }
}

TEST(EncoderTest, CoverArtStreamIsSkipped) {
    TempDir dir;
    testsupport::Mp3Tags tags;
    tags.v2 = true;
    tags.frames.push_back({"APIC", "image/jpeg", "", 3000});
    const int mp3Frames = 120;
    ASSERT_TRUE(testsupport::WriteMp3(dir.File("art.mp3"), "", mp3Frames, tags));
    testsupport::CapturedLog log;
    ReadBack back = ReadWhole(Transcode(dir.File("art.mp3"), MP3), FileSize(dir.File("art.mp3")));
    EXPECT_TRUE(log.Contains("Skipping packet from stream 1")) << log.Text();
    EXPECT_NEAR(Seconds(back.audio), mp3Frames * 1152.0 / kRate, 0.05);
}

TEST(EncoderTest, SeeksStartPartWay) {
    TempDir dir;
    const struct {
        const char* name;
        ToneCase tone;
        bool byBytes;
    } cases[] = {
        {"MP3 by bytes", kMp3Tone, true},
        {"AAC by bytes", kAacTone, true},
        {"AAC by percentage", kMonoTone, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path;
        if (!MakeTone(dir, c.tone, path))
            continue;
        int64_t half = FileSize(path) / 2;
        ReadBack back = ReadWhole(Transcode(path, c.tone.encType, kConnBufBytes,
                                            [&](Encoder& encoder) {
                                                if (c.byBytes)
                                                    encoder.SeekAhead(half);
                                                else
                                                    encoder.SeekPercent(50.0f, AudioRegion());
                                            }),
                                  FileSize(path));
        EXPECT_NEAR(Seconds(back.audio), c.tone.spec.seconds / 2, 0.15);
        if (c.byBytes && back.frames.size() > 4) {
            EXPECT_GE(back.frames[3].position, half - 2048);
        }
    }
}
