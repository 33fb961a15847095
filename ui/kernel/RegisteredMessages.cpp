#include "ui/kernel/RegisteredMessages.h"

#include <map>
#include <mutex>

namespace {

constexpr uint32_t kFirstRegistered = 0xC000;

} // namespace

uint32_t RegisterWindowMessage(const std::string& name) {
    static std::mutex mutex;
    static std::map<std::string, uint32_t> numbers;
    std::lock_guard<std::mutex> lock(mutex);
    auto found = numbers.find(name);
    if (found != numbers.end())
        return found->second;
    const uint32_t number = kFirstRegistered + static_cast<uint32_t>(numbers.size());
    numbers.emplace(name, number);
    return number;
}
