#include "client/library/ITunesXml.h"

#include "client/library/ITunesLocation.h"
#include "include/fs/FileCmds.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/fs/UniqueFd.h"

#include <charconv>
#include <cstring>
#include <exception>
#include <vector>

namespace {

constexpr size_t kReadChunkBytes = 64 * 1024;
constexpr char kTracks[] = "Tracks";
constexpr char kPlaylists[] = "Playlists";

// The leading decimal number of a text, 0 when there is none or it does not
// fit.
int32_t DecimalValue(const std::string& text) {
    int32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    return error == std::errc() ? value : 0;
}

void TrackValue(ITunesParseContext& context, const std::string& value) {
    const std::vector<std::string>& keys = context.keyStack;
    if (keys.size() < 3)
        return;
    const int32_t id = DecimalValue(keys[1]);
    if (id <= 0 || context.nonLocalTracks.count(id) != 0)
        return;
    ITunesTrack& track = context.tracks[id];
    if (keys[2] == "Play Count") {
        track.playCount = DecimalValue(value);
    } else if (keys[2] == "Location") {
        track.location = LocationToPath(Utf8ToWide(value));
        if (track.location.empty()) {
            context.tracks.erase(id);
            context.nonLocalTracks.insert(id);
        }
    }
}

void PlaylistValue(ITunesParseContext& context, const std::string& value) {
    const std::vector<std::string>& keys = context.keyStack;
    if (keys.size() < 2)
        return;
    // Every value belongs to the playlist whose item is open.
    if (context.playlists.empty())
        return;
    const std::string& key = keys[1];
    ITunesPlaylist& last = context.playlists.back();
    if (key == "Name")
        last.name = Utf8ToWide(value);
    else if (key == "Playlist Persistent ID")
        last.persistentId = Utf8ToWide(value);
    else if (key == "Distinguished Kind")
        last.valid = false;
    else if (key == "Visible" && value == "0")
        last.valid = false;
    else if (key == "Playlist Items" && keys.size() == 3 && keys[2] == "Track ID")
        last.trackIds.push_back(DecimalValue(value));
}

void StartElement(ITunesParseContext& context, const char* name) {
    context.text.clear();
    context.textTooLong = false;
    if (strcmp(name, "array") == 0) {
        ++context.arrayDepth;
    } else if (strcmp(name, "dict") == 0 && context.readPlaylists && context.arrayDepth == 1 &&
               context.keyStack.size() == 1 && context.keyStack[0] == kPlaylists) {
        // Each item of the playlists array is a playlist of its own, named or
        // not.
        context.playlists.emplace_back();
    }
}

void CharacterData(ITunesParseContext& context, const char* bytes, int length) {
    if (context.textTooLong)
        return;
    const size_t count = static_cast<size_t>(length);
    if (context.text.size() + count < ITunesParseContext::kMaxTextBytes) {
        context.text.append(bytes, count);
        return;
    }
    // The value keeps what fits, cut at a character boundary, however the
    // parser splits it.
    MVLOG(LOG_ERR, "Got XML text value larger than currentValue size; ignoring");
    context.text.append(bytes, count);
    context.text = CutUtf8(context.text, ITunesParseContext::kMaxTextBytes - 1);
    context.textTooLong = true;
}

void PopKey(ITunesParseContext& context) {
    if (!context.keyStack.empty())
        context.keyStack.pop_back();
}

void EndElement(ITunesParseContext& context, const char* name) {
    context.textTooLong = false;
    // The property list's booleans are empty elements.
    if (strcmp(name, "true") == 0)
        context.text += '1';
    else if (strcmp(name, "false") == 0)
        context.text += '0';
    std::string value;
    value.swap(context.text);
    if (strcmp(name, "key") == 0) {
        // The key stays on the stack until its value ends, so even an empty
        // one is pushed: the end of its value pops it.
        context.keyStack.push_back(std::move(value));
        return;
    }
    if (!value.empty() && !context.keyStack.empty()) {
        if (context.keyStack[0] == kTracks)
            TrackValue(context, value);
        else if (context.readPlaylists && context.keyStack[0] == kPlaylists)
            PlaylistValue(context, value);
    }
    if (strcmp(name, "array") == 0) {
        --context.arrayDepth;
        PopKey(context);
    } else if (strcmp(name, "dict") == 0 && context.arrayDepth > 0) {
        // An array's items have no key of their own.
    } else {
        PopKey(context);
    }
}

// Expat is C: nothing may unwind through it.
template <typename Handler> void Guarded(void* userData, Handler handler) {
    auto& context = *static_cast<ITunesParseContext*>(userData);
    if (context.failed)
        return;
    try {
        handler(context);
    } catch (const std::exception&) {
        context.failed = true;
    }
}

void XMLCALL OnStart(void* userData, const XML_Char* name, const XML_Char**) {
    Guarded(userData, [name](ITunesParseContext& context) { StartElement(context, name); });
}

void XMLCALL OnEnd(void* userData, const XML_Char* name) {
    Guarded(userData, [name](ITunesParseContext& context) { EndElement(context, name); });
}

void XMLCALL OnCharacters(void* userData, const XML_Char* bytes, int length) {
    Guarded(userData,
            [bytes, length](ITunesParseContext& context) { CharacterData(context, bytes, length); });
}

} // namespace

ITunesXmlReader::ITunesXmlReader(ITunesParseContext& context) : m_context(context) {
    m_parser.SetHandlers(&m_context, OnStart, OnEnd, OnCharacters);
}

bool ITunesXmlReader::Feed(const char* data, size_t length, bool isFinal) {
    const bool parsed = m_parser.Parse(data, length, isFinal);
    if (m_context.failed) {
        MVLOG(LOG_ERR, "Exception parsing iTunes XML");
        return false;
    }
    if (!parsed) {
        MVLOG(LOG_ERR, "Error parsing XML. Error code:%d, message:%s", m_parser.ErrorCode(),
              m_parser.ErrorText());
        return false;
    }
    return true;
}

bool ParseITunesXml(ITunesParseContext& context, const std::wstring& path) {
    if (!fileExists(path)) {
        MVLOG(LOG_INFO, "iTunes file %ls does not exist", path.c_str());
        return false;
    }
    MVLOG(LOG_INFO, "Starting iTunes XML parse. Path:%ls", path.c_str());
    platform::UniqueFd fd(openFileRead(path, 0));
    if (!fd.IsValid()) {
        MVLOG(LOG_INFO, "Cannot open fd to iTunes file");
        return false;
    }
    try {
        ITunesXmlReader reader(context);
        std::vector<char> chunk(kReadChunkBytes);
        for (;;) {
            const long got = ReadFully(fd.Get(), chunk.data(), static_cast<long>(chunk.size()));
            if (got < 0) {
                MVLOG(LOG_ERR, "Error reading iTunes file %ls, err %i", path.c_str(), errno);
                return false;
            }
            if (!reader.Feed(chunk.data(), static_cast<size_t>(got), got == 0))
                return false;
            if (got == 0)
                return true;
        }
    } catch (const std::exception&) {
        MVLOG(LOG_ERR, "Exception parsing iTunes XML");
        return false;
    }
}
