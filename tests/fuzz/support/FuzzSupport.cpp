#include "tests/fuzz/support/FuzzSupport.h"

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

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
