#include "tests/fuzz/support/FuzzSupport.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace {

constexpr char kWriteSeedsFlag[] = "-write_seeds=";

void WriteSeeds(const std::string& dir, const std::vector<std::string>& seeds) {
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (size_t i = 0; i < seeds.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/seed-%02zu", i);
        std::ofstream file(dir + name, std::ios::binary | std::ios::trunc);
        file << seeds[i];
        if (!file) {
            std::fprintf(stderr, "Could not write seed %s%s\n", dir.c_str(), name);
            std::exit(1);
        }
    }
    std::printf("Wrote %zu seeds to %s\n", seeds.size(), dir.c_str());
}

} // namespace

void fuzzsupport::CheckFailed(const char* condition, const char* srcFile, int line) {
    std::fprintf(stderr, "Fuzz check failed: %s at %s:%d\n", condition, srcFile, line);
    std::abort();
}

std::string fuzzsupport::ScratchPath(const std::string& stem, const std::string& extension) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/" + stem + "-" + std::to_string(getpid()) + extension;
}

void fuzzsupport::WriteFileBytes(const std::string& path, const uint8_t* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string fuzzsupport::TakeFileBytes(const std::string& path) {
    std::string bytes;
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::remove(path.c_str());
    return bytes;
}

// Runs before libFuzzer reads its own flags.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    for (int i = 1; i < *argc; ++i) {
        const char* arg = (*argv)[i];
        if (std::strncmp(arg, kWriteSeedsFlag, sizeof kWriteSeedsFlag - 1) == 0) {
            WriteSeeds(arg + sizeof kWriteSeedsFlag - 1, fuzzsupport::Seeds());
            std::exit(0);
        }
    }
    return 0;
}
