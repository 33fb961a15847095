// Library set-up for media analysis, once per process.
#pragma once

// The FFmpeg versions this program uses register their codecs and formats
// themselves and need no lock manager, so there is nothing to set up.
void InitFFmpeg();
