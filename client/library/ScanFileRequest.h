// A folder change that the share monitor hands to the core.
#pragma once

#include <string>

enum ScanFileRequestType {
    SINGLE_FILE = 0,   // scan this one file
    FULL_SCAN = 1,     // something changed that only a full scan handles
    FILE_MODIFIED = 2, // a music file's content changed: only delays pending work
};

class ScanFileRequest {
  public:
    ScanFileRequest(int type, std::wstring path) : m_type(type), m_path(std::move(path)) {}

    int GetType() const { return m_type; }
    const std::wstring& GetPath() const { return m_path; }

  private:
    int m_type;
    std::wstring m_path;
};
