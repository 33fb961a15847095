// The analysed metadata of one music file. Its fields and the analysis that
// fills them arrive with media analysis.
#pragma once

class FileMetaData {
  public:
    FileMetaData() = default;
    virtual ~FileMetaData() = default;
    FileMetaData(const FileMetaData&) = delete;
    FileMetaData& operator=(const FileMetaData&) = delete;
};
