#include "platform/lib/ffmpeg/ResamplerMatrix.h"

extern "C" {
#include <libavutil/error.h>
}

namespace platform {

int SetResamplerMatrix(Resampler& resampler, const double* matrix, int stride) noexcept {
    SwrContext* context = resampler.Get();
    if (!context)
        return AVERROR(EINVAL);
    // A matrix can only be set on a context that is not initialised: close
    // it (its settings stay), set the matrix and initialise it again.
    swr_close(context);
    int result = swr_set_matrix(context, matrix, stride);
    if (result >= 0)
        result = swr_init(context);
    return result;
}

} // namespace platform
