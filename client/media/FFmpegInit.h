// Library set-up for media analysis, once per process.
#pragma once

// The FFmpeg versions this program uses register their codecs and formats
// themselves and need no lock manager; only FFmpeg's own console log is
// silenced (failures reach the program's log from the callers).
void InitFFmpeg();
