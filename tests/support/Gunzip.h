// Decompressing gzip data in tests.
#pragma once

#include <string>

namespace testsupport {

// The decompressed bytes; false when `gz` is not one whole gzip stream.
[[nodiscard]] bool Gunzip(const std::string& gz, std::string& out);

} // namespace testsupport
