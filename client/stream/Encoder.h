// The Ogg Vorbis transcoder of one song answer. It decodes the song file
// with FFmpeg, resamples it to 44100 Hz stereo 16-bit, encodes Vorbis (VBR)
// and cuts Ogg pages, and hands each page to the answer's output Buf in a
// frame: u32 source position, u32 page length (header + body), the page.
// The three header pages carry position 0; each later page the source byte
// position of the input packet whose audio it holds. After the page that
// ends the stream comes one frame of length 0, the end marker.
//
// Pages wait inside the encoder until the output has room, so none is ever
// lost to a full output, and the header pages come out of the first Fill
// rather than Open: the answer opens the encoder before it queues anything.
#pragma once

#include "client/stream/AudioRegion.h"
#include "include/io/Buf.h"
#include "platform/lib/ffmpeg/CodecContext.h"
#include "platform/lib/ffmpeg/FormatInput.h"
#include "platform/lib/ffmpeg/Frame.h"
#include "platform/lib/ffmpeg/Packet.h"
#include "platform/lib/ffmpeg/Resampler.h"
#include "platform/lib/vorbis/OggStream.h"
#include "platform/lib/vorbis/VorbisEncoder.h"

#include <cstdint>
#include <string>
#include <vector>

class Encoder {
  public:
    // Quality in tenths of libvorbis's base quality.
    static constexpr int kMinQuality = -1;
    static constexpr int kMaxQuality = 6;
    static constexpr int kDefaultQuality = 2;
    static constexpr int kSampleRate = 44100;
    static constexpr int kChannels = 2;
    // Resampled 16-bit stereo PCM waits here until it is encoded.
    static constexpr int kStagingBytes = 0x20000;
    // Source position and page length ahead of every page.
    static constexpr int kFrameHeadBytes = 8;
    // Input packets one Fill reads at most.
    static constexpr int kPacketsPerStep = 32;
    // What the demuxer may read while the input opens, and in one Fill: a
    // stretch of the file that holds no audio (a run of zeros behind the
    // song) is read a bounded share per pass, never in one go. A Fill's
    // reads are cut for time only once they have gone past a song's
    // packets.
    static constexpr platform::ReadBudget kOpenReadBudget{64 << 20, 1000, 1 << 20};
    static constexpr platform::ReadBudget kFillReadBudget{1 << 20, 100, 128 << 10};
    // What a seek may read. FFmpeg seeks in an MP3 by reading every packet up
    // to the target, so that a seek into a stretch without audio reads through
    // it; one cut short leaves the input where its reads took it (a
    // percentage seek in an MP3 then goes by the audio's bytes).
    static constexpr platform::ReadBudget kSeekReadBudget{64 << 20, 1000, 1 << 20};
    // An MP3's percentage seek that would read more goes by the audio's bytes
    // instead, so it may read no more than a few Fills.
    static constexpr platform::ReadBudget kMp3SeekReadBudget{4 << 20, 100, 1 << 20};
    // A packet skip's share of a Fill: it stops between two packets this far
    // short of the Fill's budget, so that no refused read cuts a packet it
    // judges (the demuxer drops or shortens such a packet).
    static constexpr int64_t kSkipReadSlack = 64 << 10;
    static constexpr platform::ReadBudget kSkipPassShare{kFillReadBudget.bytes - kSkipReadSlack,
                                                         kFillReadBudget.ms,
                                                         kFillReadBudget.bytesBeforeMs - kSkipReadSlack};
    // Once this much has been read without a decoded sample, the input
    // counts as ended.
    static constexpr int64_t kMaxBytesWithoutAudio = 4 << 20;
    static constexpr int kMaxPacketsWithoutAudio = 2048;

    Encoder();
    ~Encoder();
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // A requested quality brought into the range the encoder takes.
    static int ClampQuality(long long quality);

    // Sets up Vorbis at quality ÷ 10 and opens the song's file for decoding:
    // the file open as `fd` (checked by the caller, and needed only while
    // this runs), never what `path`, which names it in logs, holds by now
    // (encType as in FileMetaData: MP3 or AAC, read by that type's demuxer
    // alone). Writes nothing. False (logged) when either fails; the encoder
    // then holds nothing.
    [[nodiscard]] bool Open(int fd, const std::wstring& path, uint32_t encType, int quality);
    // Position the input, at most once, before the first Fill: to a share of
    // the song's duration (0 to 100; an MP3 whose seek by time runs out of
    // budget goes to that share of `audio`, else of the file), or to a
    // source byte offset. A container that cannot seek by bytes has its
    // packets up to the offset read and dropped by the Fills that follow.
    void SeekPercent(float percent, const AudioRegion& audio);
    void SeekAhead(int64_t offset);
    // One pass of output: moves waiting frames into `out` and, once none
    // wait, skips on (see SeekAhead) or encodes the audio of the next input
    // packet. True while there is
    // more to come; false once the end marker is in `out` (and after Close).
    bool Fill(Buf& out);
    // Frees the input, decoder, resampler and encoder state at once.
    void Close();
    // Whether a packet skip is under way: its Fills give nothing while they
    // read, and the next may come at once.
    bool IsSkipping() const { return m_skip.offset >= 0; }
    // Bytes the demuxer has read from the file since it was opened.
    int64_t BytesRead() const { return m_input.BytesRead(); }

  private:
    [[nodiscard]] bool InitVorbis(int quality);
    [[nodiscard]] bool OpenInput(int fd, const std::wstring& path);
    // Puts the input next to the end of the packet skip SeekAhead set, where
    // the demuxer's index tells the packets' places.
    void SeekNextToSkipEnd();
    // One Fill's share of a packet skip: reads and drops packets up to the
    // one of the audio stream that reaches the skip's offset.
    void SkipPackets();
    // Whether the skip ends with the packet just read (which Step then takes
    // first when it is held).
    bool SkipEndsAt(const AVPacket& packet);
    void EndSkip();
    // After a seek (or a packet skip): the budget taken back, the decoder
    // emptied, and the count of reads without audio started again.
    void EndSeek(bool cutShort);
    // Reads and encodes until a frame waits, the input has ended,
    // kPacketsPerStep packets have been read or the Fill's reads are spent.
    void Step();
    // Drains the decoder into the encoder and marks the input's end.
    void EndInput();
    // Audio came (or the input was positioned): the count of what was read
    // without audio starts again.
    void NoteAudio();
    bool TooLongWithoutAudio() const;
    void DecodePacket(const AVPacket* packet);
    void OnDecodeError(int result);
    void ReceiveFrames();
    void Resample(const AVFrame* frame);
    // Resampled audio into the stage; `draining` takes the resampler's tail.
    void StageResampled(const uint8_t* const* input, int inFrames, bool draining);
    void DrainInput();
    // Encodes the staged PCM at the staged position and empties the stage.
    void EncodeStaged();
    // Encodes `bytes` of interleaved 16-bit stereo PCM (none: only drains)
    // and queues the pages that come out, with `position`.
    void EncodeAndPage(const uint8_t* pcm, int bytes, int64_t position);
    void QueuePage(const ogg_page& page, int64_t position);
    void QueueFrameHead(int64_t position, uint32_t length);
    // Moves waiting bytes into `out` as far as they fit.
    void MoveWaiting(Buf& out);

    platform::OggStream m_ogg;
    platform::VorbisEncoder m_vorbis;
    platform::FormatInput m_input;
    platform::CodecContext m_decoder;
    platform::Resampler m_resampler;
    platform::Packet m_packet;
    platform::Frame m_frame;
    int m_audioStream = -1;
    // Source byte position of the packet whose audio is staged.
    int64_t m_stagedPos = 0;
    // The input is exhausted; what follows drains the encoder.
    bool m_endReached = false;
    // The page with the end-of-stream mark has been queued, and the marker.
    bool m_streamEnded = false;
    bool m_markerQueued = false;
    // A packet that a packet skip read and Step takes first.
    bool m_packetHeld = false;
    // The packet skip that SeekAhead set and the Fills carry on, if any.
    struct PacketSkip {
        // Where the audio is to start; none is pending while it is negative.
        int64_t offset = -1;
        // No audio packet with a position has come yet.
        bool first = true;
    };
    PacketSkip m_skip;
    // Packets that failed to decode; only the first is logged.
    int m_decodeErrors = 0;
    // The input's byte count when audio last came, and packets read since.
    int64_t m_bytesAtAudio = 0;
    int m_packetsWithoutAudio = 0;
    bool m_open = false;
    Buf m_staging;
    // Frames not yet moved to the output, from m_waitingRead on.
    std::vector<uint8_t> m_waiting;
    size_t m_waitingRead = 0;
    uint32_t m_encType = 0;
};
