// The acoustic fingerprint of an MP3 or AAC file: about 11.9 seconds of
// audio, from a point chosen by the song's length, as mono 11,025 Hz samples;
// their log-band spectrogram; one 32-bit key per time step from 32 box
// filters; the keys run-length encoded.
//
// One print at a time per process: the decode buffer is shared by every
// instance, and only one instance may live at once.
#pragma once

#include "client/media/print/PrintEntry.h"
#include "client/media/print/PrintSignal.h"
#include "platform/fs/UniqueFd.h"
#include "platform/lib/ffmpeg/CodecContext.h"
#include "platform/lib/ffmpeg/FormatInput.h"
#include "platform/lib/ffmpeg/Resampler.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class FingerPrinter2 {
  public:
    // Opens the file for decoding. Never fails: on any error the decoder is
    // left not ready and CalcPrint says so.
    explicit FingerPrinter2(const std::wstring& path);
    ~FingerPrinter2();
    FingerPrinter2(const FingerPrinter2&) = delete;
    FingerPrinter2& operator=(const FingerPrinter2&) = delete;

    // The print, its keys and the seconds it stands for. False, with all
    // three empty or 0, when no print could be made.
    [[nodiscard]] bool CalcPrint(std::vector<PrintEntry>& print, std::vector<uint32_t>& keys,
                                 uint32_t& printSecs);

  private:
    // Opens the file for demuxing as the tag readers read it (OpenSongInput):
    // probing for ".m4a" names, the MP3 demuxer for the rest. The streams are those of the first open, so a
    // reopen needs no stream information again.
    [[nodiscard]] bool OpenInput();
    // Decodes from `startSample` (at 11,025 Hz) into the shared buffer; with
    // `repeat`, a short decode is repeated until the buffer is full. The
    // samples then stand in s_samples. With a lead-in search, the samples go
    // to it as well, and the decode ends once it has found the lead-in.
    [[nodiscard]] bool DecodeFile(uint64_t startSample, bool repeat, LeadInSearch* search = nullptr);
    // Decodes mono 11,025 Hz 16-bit samples into `buffer` from `startSample`
    // until it is full, the input ends or `search` has its answer; false when
    // nothing came out.
    [[nodiscard]] bool DecodePackets(int16_t* buffer, size_t capacity, size_t& done, uint64_t startSample,
                                     LeadInSearch* search);
    // Skips, resamples and stores one decoded frame; false when the frame
    // cannot be used (the decode fails).
    [[nodiscard]] bool TakeFrame(const AVFrame& frame, int64_t& offsetUS, int16_t* buffer, size_t& capacity,
                                 size_t& done);
    // The resampler for frames like `frame`.
    [[nodiscard]] bool OpenResampler(const AVFrame& frame);
    // The lead-in: where the sound begins in the first decoded samples.
    [[nodiscard]] bool FindLeadInSamples();

    std::string m_utf8Path;
    bool m_isAac = false;
    // The file, opened once: every reading reads it.
    platform::UniqueFd m_file;
    platform::FormatInput m_input;
    // Packets were read from m_input: the next decode opens it afresh.
    bool m_inputUsed = false;
    int m_streamIndex = -1;
    platform::CodecContext m_decoder;
    platform::Resampler m_resampler;
    std::vector<int16_t> m_resampleBuf;
    bool m_decoderReady = false;
    uint32_t m_songSecs = 0;
    uint32_t m_printSecs = 0;
    size_t m_leadIn = 0;
    // Never set: the print always runs to its full length.
    size_t m_trailingCut = 0;
    uint32_t m_leadOffset = 0;
    // The chosen stream's duration (low 32 bits, its time base), for the log.
    uint32_t m_streamDuration = 0;

    static std::atomic<int> s_numInstances;
    static std::vector<int16_t> s_buf;
    static std::vector<double> s_samples;
    static bool s_inited;
};
