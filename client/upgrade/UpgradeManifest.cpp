#include "client/upgrade/UpgradeManifest.h"

#include "include/text/StringUtil.h"
#include "include/text/Utf8.h"

namespace {

constexpr size_t kManifestFields = 4;

void ParseLine(std::string_view line, std::vector<UpgradeFileEntry>& entries) {
    std::vector<std::string> fields = TokenizeStringA(std::string(line), "\t", false);
    if (fields.size() < kManifestFields)
        return;
    UpgradeFileEntry entry;
    entry.md5 = Utf8ToWide(fields[0]);
    entry.localPath = Utf8ToWide(fields[1]);
    ReplaceAll(entry.localPath, L"/", L"\\");
    entry.remoteName = Utf8ToWide(fields[2]);
    entry.flag = fields[3] == "1";
    entries.push_back(std::move(entry));
}

} // namespace

bool ParseManifest(std::string_view bytes, std::vector<UpgradeFileEntry>& entries, std::string& error) {
    size_t lineNumber = 0;
    while (!bytes.empty()) {
        ++lineNumber;
        size_t end = bytes.find('\n');
        std::string_view line = bytes.substr(0, end);
        bytes.remove_prefix(end == std::string_view::npos ? bytes.size() : end + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > kMaxManifestLineChars) {
            error = "line " + std::to_string(lineNumber) + " is longer than " +
                    std::to_string(kMaxManifestLineChars) + " characters";
            return false;
        }
        ParseLine(line, entries);
    }
    return true;
}
