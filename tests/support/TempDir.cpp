#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testsupport {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/melvane-test-XXXXXX";
    if (mkdtemp(pattern.data()))
        m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

std::wstring TempDir::WPath() const {
    return std::filesystem::path(m_path).wstring();
}

std::wstring TempDir::WFile(const std::string& name) const {
    return std::filesystem::path(File(name)).wstring();
}

std::string ReadFileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteFileText(const std::string& path, const std::string& text) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
}

void ReplaceFileText(const std::string& path, const std::string& text) {
    WriteFileText(path + ".new", text);
    std::filesystem::rename(path + ".new", path);
}

} // namespace testsupport
