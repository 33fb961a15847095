// Feeds the upgrade manifest parser with a manifest's bytes and checks that
// every entry it keeps has its four fields and that nothing it refuses leaves
// entries behind.
#include "client/upgrade/UpgradeManifest.h"
#include "tests/fuzz/support/FuzzSupport.h"

#include <string>
#include <vector>

std::vector<std::string> fuzzsupport::Seeds() {
    return {
        "0123456789abcdef0123456789abcdef\tMelvane\tMelvane\t1\r\n"
        "fedcba9876543210fedcba9876543210\tlib\\libpgrove80.so\tlibpgrove80.so\t1\n",
        "short\tline\n\t\t\t\n0123456789abcdef0123456789abcdef\t\t../x\t\tname with blank\t1\textra\n",
        "0123456789ABCDEF0123456789ABCDEF\t/abs\tr\t0\n\xFF\xFE\t\xC3\xA9\t\x01\t1",
        std::string(9000, 'a') + "\tb\tc\t1\n",
    };
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<UpgradeFileEntry> entries;
    std::string error;
    const bool parsed =
        ParseManifest(std::string_view(reinterpret_cast<const char*>(data), size), entries, error);
    if (!parsed)
        FUZZ_CHECK(!error.empty());
    for (const UpgradeFileEntry& entry : entries) {
        FUZZ_CHECK(entry.md5.size() <= kMaxManifestLineChars);
        FUZZ_CHECK(entry.localPath.size() <= kMaxManifestLineChars);
        FUZZ_CHECK(entry.remoteName.size() <= kMaxManifestLineChars);
    }
    return 0;
}
