// FFmpeg's text for one of its error codes, for the caller's log lines.
#pragma once

#include <string>

namespace platform {

std::string AvErrorText(int error);

} // namespace platform
