#include "client/media/FFmpegInit.h"

void InitFFmpeg() {}
