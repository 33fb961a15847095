// The uploader's private folder for one report: made fresh (0700, a unique
// name) inside the program's temporary folder, and removed with everything
// in it when the report is done.
#pragma once

#include <string>

class ReportFolder {
  public:
    ReportFolder() = default;
    ~ReportFolder();
    ReportFolder(const ReportFolder&) = delete;
    ReportFolder& operator=(const ReportFolder&) = delete;

    // Makes the folder inside `parent`, which is created 0700 when missing.
    [[nodiscard]] bool Create(const std::string& parent);
    bool IsReady() const { return !m_path.empty(); }
    // The path of `name` inside the folder.
    std::string PathOf(const std::string& name) const { return m_path + "/" + name; }

  private:
    std::string m_path;
};

// Creates `path` for writing, 0600, failing when anything (a link included)
// is already there. -1 on failure.
int CreateExclusiveFile(const std::string& path);
