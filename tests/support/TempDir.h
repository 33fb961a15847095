// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::wstring WPath() const;
    // Path of `name` inside the folder.
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    std::wstring WFile(const std::string& name) const;

  private:
    std::string m_path;
};

// Whole-file helpers for tests.
std::string ReadFileText(const std::string& path);
void WriteFileText(const std::string& path, const std::string& text);
// Puts a new file holding `text` at `path`, written beside it and renamed over
// it: whoever holds the old file open keeps reading the old one.
void ReplaceFileText(const std::string& path, const std::string& text);

} // namespace testsupport
