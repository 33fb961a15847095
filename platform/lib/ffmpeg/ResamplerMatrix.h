// An explicit channel mix for an open Resampler, in place of the one
// libswresample derives from the channel layouts.
#pragma once

#include "platform/lib/ffmpeg/Resampler.h"

namespace platform {

// One row of `stride` input weights per output channel. FFmpeg's code, or 0;
// on failure the resampler is left closed (Free it).
[[nodiscard]] int SetResamplerMatrix(Resampler& resampler, const double* matrix, int stride) noexcept;

} // namespace platform
