#include "client/stream/Encoder.h"

Encoder::Encoder() : m_staging(kStagingBytes) {}

Encoder::~Encoder() = default;

int Encoder::ClampQuality(long long quality) {
    if (quality < kMinQuality)
        return kMinQuality;
    if (quality > kMaxQuality)
        return kMaxQuality;
    return static_cast<int>(quality);
}

bool Encoder::Open(const std::wstring& path, uint32_t encType, int quality) {
    (void)path;
    (void)encType;
    (void)quality;
    return false;
}

void Encoder::SeekPercent(float percent) {
    (void)percent;
}

void Encoder::SeekAhead(int64_t offset) {
    (void)offset;
}

bool Encoder::Fill(Buf& out) {
    (void)out;
    return false;
}

int64_t Encoder::GetSourceContentLength() const {
    return m_input.GetFileSize();
}

void Encoder::Close() {}
