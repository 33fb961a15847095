// The 16-byte id that names a transfer: on the wire a u16 16, then four
// big-endian u32 words, word0 first.
#pragma once

#include <cstdint>
#include <string>

namespace testsupport::msg {

struct TransferId {
    static constexpr uint16_t kWireBytes = 16;

    uint32_t word0 = 0;
    uint32_t word1 = 0;
    uint32_t word2 = 0;
    uint32_t word3 = 0;

    bool operator==(const TransferId&) const = default;
    // "word0-word1-word2-word3" in unsigned decimal.
    std::string ToText() const {
        return std::to_string(word0) + "-" + std::to_string(word1) + "-" + std::to_string(word2) + "-" +
               std::to_string(word3);
    }
};

} // namespace testsupport::msg
