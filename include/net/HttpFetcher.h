// Downloads single files over HTTP into a local folder and keeps a file only
// when its MD5 digest matches the expected one. A file already present with
// that digest is not downloaded again, so an interrupted upgrade resumes
// cheaply. Blocking; one fetcher belongs to one thread.
#pragma once

#include "platform/lib/curl/CurlEasy.h"

#include <string>

enum FetchResult {
    FETCH_OK = 0,              // downloaded and the digest matches
    FETCH_ALREADY_CURRENT = 1, // the local file already had the digest
    FETCH_MKDIR_FAILED = 2,    // the folders of the local path could not be made
    FETCH_OPEN_FAILED = 3,     // refused local name, or the file could not be written
    FETCH_NO_SESSION = 4,      // libcurl could not be set up
    FETCH_URL_FAILED = 5,      // nothing came from the URL
    FETCH_DIGEST_MISMATCH = 6, // downloaded, but the digest differs; nothing kept
};

class HttpFetcher {
  public:
    // `baseUrl` is put in front of every remote name as it stands, so it
    // should end with '/'.
    HttpFetcher(const std::wstring& localDir, const std::wstring& baseUrl);

    void SetLocalDir(const std::wstring& localDir) { m_localDir = localDir; }

    // Fetches base URL + `remoteName` to `localName` under the local folder
    // ('\' or '/' separators; absolute names and ".." are refused). The
    // download goes to a temporary name beside the target and replaces it
    // only when its MD5 equals `md5Hex` (case ignored). True for FETCH_OK and
    // FETCH_ALREADY_CURRENT.
    [[nodiscard]] bool FetchFile(const std::wstring& remoteName, const std::wstring& localName,
                                 const std::wstring& md5Hex, FetchResult& result);

  private:
    std::wstring m_localDir;
    std::string m_baseUrl;
    std::string m_caFile;
    platform::CurlEasy m_curl;
};

// `name` in UTF-8 with blanks, control bytes and every byte outside ASCII
// percent-encoded; all other characters stay as they are.
std::string EncodeRemoteName(const std::wstring& name);
