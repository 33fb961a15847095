#include "client/media/FFmpegInit.h"

extern "C" {
#include <libavutil/log.h>
}

void InitFFmpeg() {
    av_log_set_level(AV_LOG_QUIET);
}
