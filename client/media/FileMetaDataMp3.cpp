#include "client/media/FileMetaData.h"

#include "include/log/Logger.h"

bool FileMetaData::AnalyzeMp3(int /*fd*/, const std::wstring& path) {
    MVLOG(LOG_ERR, "MP3 analysis is not built yet, not read: %ls", path.c_str());
    return false;
}
