// A core built from stand-ins, in a private home folder with its own clock
// and log, for tests of the core's own logic.
#pragma once

#include "client/core/KovikCore.h"
#include "include/crash/CrashReport.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/core/FakeLibrary.h"
#include "tests/support/core/FakeServerLink.h"
#include "tests/support/core/RecordingUI.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

class CoreHarness {
  public:
    CoreHarness()
        : m_home("HOME", dir.Path()), m_config("XDG_CONFIG_HOME", dir.File(".config")),
          m_data("XDG_DATA_HOME", dir.File(".local/share")), m_cache("XDG_CACHE_HOME", dir.File(".cache")) {
        EnableCrashReports(false);
        Build();
    }
    ~CoreHarness() { EnableCrashReports(true); }

    // A fresh core on the same folders (a second start of the program).
    // With realLink the core talks to a server through its own connection;
    // with realScanner it keeps its library in its own database (`scanner`
    // is then null); a music search given here replaces the fake one
    // (`search` is then null).
    void Build(bool realLink = false, bool realScanner = false,
               std::unique_ptr<MusicSearch> realSearch = nullptr) {
        CoreParts parts;
        auto linkPart = realLink ? nullptr : std::make_unique<FakeServerLink>(&events);
        auto scannerPart = realScanner ? nullptr : std::make_unique<FakeScanner>(&events);
        auto shareMonPart = std::make_unique<FakeShareMon>();
        auto searchPart = realSearch ? nullptr : std::make_unique<FakeMusicSearch>(&events);
        link = linkPart.get();
        scanner = scannerPart.get();
        shareMon = shareMonPart.get();
        search = searchPart.get();
        if (linkPart)
            parts.nodeConn = std::move(linkPart);
        parts.scanner = std::move(scannerPart);
        parts.shareMon = std::move(shareMonPart);
        if (searchPart)
            parts.musicSearch = std::move(searchPart);
        else
            parts.musicSearch = std::move(realSearch);
        parts.startPlayCountImport = [this](std::unique_ptr<PlayCountImportRequest> request) {
            playCountImports.push_back(request->initial);
            return realPlayCountImport ? StartITunesPlayCountImport(std::move(request)) : ThreadHandle();
        };
        parts.configDirOverride = ConfigDir();
        parts.oneTimeFilePath = OneTimePath();
        core = std::make_unique<KovikCore>(std::move(parts));
    }

    bool Start() { return core->StartCore(&ui); }

    std::wstring ConfigDir() const { return dir.WFile("config"); }
    std::wstring OneTimePath() const { return dir.WFile("onetime"); }
    std::wstring MusicDir() const { return dir.WFile("Music"); }
    void WriteOneTime(const std::string& text) { WriteFileText(dir.File("onetime"), text); }

    TempDir dir;
    CapturedLog log;
    ManualClock clock;
    EventLog events;
    RecordingUI ui;
    FakeServerLink* link = nullptr;
    FakeScanner* scanner = nullptr;
    FakeShareMon* shareMon = nullptr;
    FakeMusicSearch* search = nullptr;
    std::vector<bool> playCountImports;
    // Play-count imports really run (on the library file under `dir`).
    bool realPlayCountImport = false;
    std::unique_ptr<KovikCore> core;

  private:
    ScopedEnv m_home;
    ScopedEnv m_config;
    ScopedEnv m_data;
    ScopedEnv m_cache;
};

} // namespace testsupport
