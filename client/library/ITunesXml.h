// The media library's XML file (a property list), read through Expat with a
// small state machine over its structure: the tracks' locations and play
// counts and, when asked for, the playlists. Nothing else is interpreted.
#pragma once

#include "platform/lib/expat/ExpatParser.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

struct ITunesTrack {
    std::wstring location; // a local path
    int32_t playCount = 0;
};

struct ITunesPlaylist {
    std::wstring name;
    std::wstring persistentId;
    std::vector<int32_t> trackIds;
    bool valid = true;
};

// What one parse collects, and where it stands.
struct ITunesParseContext {
    // A text value keeps at most this many bytes less one.
    static constexpr size_t kMaxTextBytes = 4096;

    explicit ITunesParseContext(bool wantPlaylists) : readPlaylists(wantPlaylists) {}

    bool readPlaylists;
    int32_t arrayDepth = 0;
    // The keys that lead to the current value, outermost first.
    std::vector<std::string> keyStack;
    std::string text;
    // The current element's text reached its limit; the rest is dropped.
    bool textTooLong = false;
    std::map<int32_t, ITunesTrack> tracks;
    // Tracks whose location is not local: they never get a record.
    std::set<int32_t> nonLocalTracks;
    // One per item of the "Playlists" array, in file order.
    std::vector<ITunesPlaylist> playlists;
    // An exception was caught inside a handler; the parse has failed.
    bool failed = false;
};

// Feeds one document, in pieces, into a context.
class ITunesXmlReader {
  public:
    explicit ITunesXmlReader(ITunesParseContext& context);
    // False, with the error logged, when the document is malformed or the
    // parse failed; the last piece has `isFinal` set.
    [[nodiscard]] bool Feed(const char* data, size_t length, bool isFinal);

  private:
    ITunesParseContext& m_context;
    platform::ExpatParser m_parser;
};

// Parses the file at `path` into the context; false (logged) when it is
// missing, unreadable or malformed.
[[nodiscard]] bool ParseITunesXml(ITunesParseContext& context, const std::wstring& path);
