#include "client/library/FolderEvents.h"

#include "client/library/ScanFileRequest.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>

TEST(FolderEventsTest, EventsMapToTheirRequests) {
    const int none = kNoScanRequest;
    struct {
        uint32_t mask;
        const wchar_t* name;
        int type;
        bool ignored;
    } const cases[] = {
        {IN_CREATE, L"song.mp3", SINGLE_FILE, false},
        {IN_CREATE, L"Mix.M3U", SINGLE_FILE, false},
        {IN_CREATE | IN_ISDIR, L"Album", FULL_SCAN, false},
        {IN_CREATE | IN_ISDIR, L"Album.mp3", FULL_SCAN, false},
        {IN_CREATE, L"notes.txt", none, false},
        {IN_CREATE, L"iTunes Library.itl", none, false},
        {IN_DELETE, L"song.mp3", FULL_SCAN, false},
        {IN_DELETE, L"notes.txt", FULL_SCAN, false},
        {IN_DELETE | IN_ISDIR, L"Album", FULL_SCAN, false},
        {IN_MOVED_FROM, L"iTunes Library.itl", none, true},
        {IN_MOVED_TO, L"old ITUNES LIBRARY.ITL copy", none, true},
        {IN_DELETE | IN_ISDIR, L"iTunes Temp", none, true},
        {IN_MOVED_TO, L"iTunes Library.mp3", FULL_SCAN, false},
        // A playlist saved whole: its hidden file is renamed onto its name.
        {IN_MOVED_FROM, L".mv-0123456789abcdef.part", none, true},
        {IN_DELETE, L".mv-0123456789abcdef.part", none, true},
        {IN_MOVED_TO, L"Mix.m3u", SINGLE_FILE, false},
        {IN_MOVED_FROM, L"Mix.m3u", FULL_SCAN, false},
        {IN_MOVED_FROM, L".mv-0123456789abcdeg.part", FULL_SCAN, false},
        {IN_MOVED_TO | IN_ISDIR, L"Mixes.m3u", FULL_SCAN, false},
        {IN_MODIFY, L"song.m4a", FILE_MODIFIED, false},
        {IN_MODIFY, L"Mix.m3u", none, false},
        {IN_MODIFY, L"notes.txt", none, false},
        {IN_CLOSE_WRITE, L"Mix.m3u", SINGLE_FILE, false},
        {IN_CLOSE_WRITE, L"song.mp3", SINGLE_FILE, false},
        {IN_CLOSE_WRITE, L"notes.txt", none, false},
        {IN_Q_OVERFLOW, L"", FULL_SCAN, false},
        {IN_IGNORED, L"", none, false},
        {IN_DELETE_SELF, L"", none, false},
    };
    for (const auto& c : cases) {
        const FolderEventRequest request = MapFolderEvent(c.mask, c.name);
        EXPECT_EQ(c.type, request.type) << c.mask << " " << testing::PrintToString(std::wstring(c.name));
        EXPECT_EQ(c.ignored, request.ignored)
            << c.mask << " " << testing::PrintToString(std::wstring(c.name));
    }
}
