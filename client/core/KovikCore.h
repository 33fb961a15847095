// The one core object of the main program: it owns the server connection, the
// scanner, the share monitor, the local HTTP listener, the configuration
// database and the account, and runs the core thread's loop. The UI thread
// calls StartCore once, starts the core thread on CoreThreadMain, and from then
// on only posts requests, reads copies through the getters and sets the stop
// flag.
#pragma once

#include "client/core/CorePort.h"
#include "client/core/CoreRequest.h"
#include "client/library/FileScanner.h"
#include "client/library/IScannerHost.h"
#include "client/library/ITunesImport.h"
#include "client/library/MusicSearch.h"
#include "client/library/ScanFileRequest.h"
#include "client/library/ScannerRecords.h"
#include "client/library/ShareMon.h"
#include "client/server/IServerLink.h"
#include "client/stream/FileStreamer.h"
#include "include/thread/Mutex.h"
#include "include/thread/Threads.h"
#include "platform/lib/sqlite/SqliteDb.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class IKovikUI;

namespace platform {
class SslContext;
}

// The parts the core is built from; each one left empty is the program's own.
// Tests put stand-ins here.
struct CoreParts {
    std::unique_ptr<IServerLink> nodeConn;
    std::unique_ptr<FileScanner> scanner;
    std::unique_ptr<ShareMon> shareMon;
    std::unique_ptr<MusicSearch> musicSearch;
    std::unique_ptr<FileStreamer> fileStreamer;
    // Starts the play-count import and gives its thread (null when none
    // runs).
    std::function<ThreadHandle(std::unique_ptr<PlayCountImportRequest>)> startPlayCountImport;
    // The configuration folder; empty: $XDG_DATA_HOME/Melvane.
    std::wstring configDirOverride;
    // The one-time login file; empty: "onetime" beside the executable.
    std::wstring oneTimeFilePath;
};

class KovikCore final : public IServerLinkOwner, public IScannerHost {
  public:
    enum AccountState {
        NONE = 0,
        HAS_ACCOUNT = 1,
        WAITING_FOR_USER = 2,
        WAITING_FOR_SERVER = 3,
        WAITING_FOR_RETRY = 4,
    };

    // Sign-in results and account statuses the server sends.
    static constexpr int kLoginOk = 1;
    static constexpr int kLoginRejected = 2;
    static constexpr int kLoginOneTimeOk = 16;
    static constexpr int kLoginTimedOut = 32;
    static constexpr int kMaxOneTimeAttempts = 120;
    static constexpr int64_t kOneTimeRetrySecs = 60;
    static constexpr int kMaxPlayCountsPerReport = 900;
    static constexpr int kMaxFatalChars = 1024;
    // Rows of Actions_v1.
    static constexpr char kActionMusicSearch[] = "musicSearch";
    static constexpr char kActionInitialPlayCount[] = "initialPlayCount";
    static constexpr char kActionFileScans[] = "fileScans";

    // Cheap and without side effects (no threads, files or sockets), so the
    // global core can be built before the program's entry runs.
    KovikCore();
    explicit KovikCore(CoreParts parts);
    ~KovikCore() override;
    KovikCore(const KovikCore&) = delete;
    KovikCore& operator=(const KovikCore&) = delete;

    // ---- start-up, on the UI thread before the core thread starts ----
    // False when a step the core cannot run without failed; the core thread
    // then ends at once with a fatal error.
    [[nodiscard]] bool StartCore(IKovikUI* ui);
    bool HasStarted() const { return m_started; }
    // An account row was found at start-up.
    bool HasStoredAccount() const { return m_hasAccount; }

    // ---- the core thread ----
    // The loop and the shutdown; returns when the core has stopped.
    void RunCoreLoop();
    void SetStopFlag() { m_stopFlag.store(true); }
    bool IsStopping() const override { return m_stopFlag.load(); }
    // True while the loop runs.
    bool IsRunning() const { return m_running.load(); }
    // Sleeps in steps of 100 ms, returning soon after the stop flag is set.
    void SleepUnlessStopped(uint32_t seconds, uint32_t milliseconds);
    // Tells the UI (the first text only) and stops the core.
    void FatalError(const std::wstring& text);
    void UpgradeReady(const std::wstring& installerPath) override;

    // ---- requests, from any thread ----
    void PostRequest(std::unique_ptr<CoreRequest> request);
    void PostStartRequest();
    void PostChangeAccountRequest();
    void PostSetSharesRequest(const std::vector<std::wstring>& folders);
    void PostPlayCountsRequest(std::unique_ptr<ITunesPlayCounts> playCounts);
    void PostFoundFoldersRequest(std::vector<std::wstring> folders);
    void PostITunesPlaylistsRequest(std::unique_ptr<ImportedPlaylists> playlists);
    // How the threads of the search and the imports reach the core.
    std::shared_ptr<CorePort> GetPort() const { return m_port; }

    // ---- getters for the UI ----
    std::wstring GetUsername();
    std::vector<std::wstring> GetShares();
    int ShareCount();
    // False when the folder is unknown.
    bool GetDownloadDir(std::wstring& path) override;
    // The playlists folder inside the download folder, created when missing.
    bool GetPlaylistDir(std::wstring& path) override;
    // The action counter "fileScans".
    int GetFileScanCount() override;
    void CountFileScan() override;
    // The user's page on the service's web site.
    std::wstring BuildLoginUrl();
    // The share that holds `directory` (the longest one) and the rest of the
    // path after it.
    bool FindShareForPath(const std::wstring& directory, std::wstring& rest) override;

    // ---- the loop's steps, in pass order (public so a pass can be driven
    // step by step) ----
    void BeginLoop();
    // One pass; false when the loop must end.
    bool LoopPass();
    void ShutdownCore();
    void StepAccountState();
    void LogStats();
    void CheckPlaycountTimer();
    void RequestPlaycountReport() override;
    void ProcessUiRequests();
    void UpdateStatus();
    void CheckScanTimers();
    void KeepAwake();
    // Seconds a full scan asked for by folder events waits after the last one.
    static int64_t FullScanInterval(int numFiles);

    // ---- account ----
    void Login(const std::wstring& user, const std::wstring& secret, bool oneTime);
    void OnAccountAnswer(int result, const std::wstring& credential, int connMode) override;
    void OnAccountStatus(int code) override;
    void StartMusicSearch();
    void AddMusicDir(const std::wstring& path);

    // ---- server link's view of the core ----
    IKovikUI* GetUi() const override { return m_ui; }
    FileStreamer& GetFileStreamer() override { return *m_fileStreamer; }
    bool IsSearchRunning() const override { return m_searchRunning; }
    void SetPlayCountSettings(bool enabled, uint32_t hours) override;
    void SetWebLoginSecret(const std::string& secret) override;
    void StartPlaylistImport() override;

    // ---- configuration database ----
    static bool CreateSharesTable(sqlite3* db);
    static bool CreateActionsTable(sqlite3* db);
    static bool CreateAccountsTable(sqlite3* db);
    // The count, or -1 (notFound set when the row is missing).
    static int GetActionCount(sqlite3* db, const char* name, bool& notFound);
    static bool IncrementAction(sqlite3* db, const char* name);
    bool LoadAccount(std::wstring& username, std::wstring& password, std::wstring& token);
    bool SaveAccount(const std::wstring& username, const std::wstring& password, const std::wstring& token);
    bool LoadShares();
    bool SaveShares();

    // ---- state, for the UI and tests ----
    int GetAccountState() const { return m_accountState; }
    sqlite3* GetConfigDb() const { return m_configDb.Get(); }
    FileScanner& GetScanner() { return *m_scanner; }
    IServerLink& GetNodeConn() { return *m_nodeConn; }
    PlayCountMap& GetPendingPlayCounts() { return m_pendingPlayCounts; }
    std::list<ResolvedPlaylist>& GetPendingPlaylists() { return m_pendingPlaylists; }
    const std::string& GetSessionSalt() const { return m_sessionSalt; }

  private:
    bool ChooseConfigDir(std::wstring& path);
    bool OpenConfigDb(const std::wstring& dir);
    bool InitNetworking();
    void ChangeAccount();
    void SetShares(const std::vector<std::wstring>& folders);
    void AddFoundFolders(const std::vector<std::wstring>& folders);
    void NotifySharesChanged();
    void AddPlayCounts(const ITunesPlayCounts& counts);
    // Waits for the play-count import whose result has come.
    void JoinPlayCountImport();
    // Commits the scanner's open transaction so a configuration write
    // survives a crash.
    void CommitConfigWrite();
    std::wstring GetOneTimeFilePath() const;
    void SetAccountStrings(const std::wstring& username, const std::wstring& password,
                           const std::wstring& token);

    std::unique_ptr<IServerLink> m_nodeConn;
    std::unique_ptr<FileScanner> m_scanner;
    std::string m_sessionSalt;
    std::wstring m_configDirOverride;
    std::wstring m_oneTimeFilePathOverride;
    platform::SqliteDb m_configDb;
    // The loop's and the retry's times are monotonic seconds.
    int64_t m_lastFullScanTime = 0;
    int64_t m_lastFolderEventTime = 0;
    std::unique_ptr<ShareMon> m_shareMon;
    std::list<std::unique_ptr<ScanFileRequest>> m_pendingFolderEvents;
    // The paths of the pending SINGLE_FILE events: one scan each.
    std::unordered_set<std::wstring> m_pendingSingleFiles;
    std::deque<std::unique_ptr<CoreRequest>> m_requests;
    Mutex m_requestLock;
    int64_t m_retryTime = 0;
    int32_t m_oneTimeAttempts = 0;
    std::wstring m_oneTimeUser;
    std::wstring m_oneTimeSecret;
    int m_accountState = NONE;
    int64_t m_startTime = 0;
    int64_t m_upTime = 0;
    int64_t m_nextAwakeCheck = 0;
    bool m_statsDone = false;
    std::unique_ptr<platform::SslContext> m_sslContext;
    uint32_t m_statusBits = 0;
    std::vector<std::wstring> m_shares;
    Mutex m_sharesLock;
    int64_t m_nextPlayCountTime = 0;
    bool m_playCountsEnabled = false;
    uint32_t m_playCountHours = 0;
    ThreadHandle m_playCountThread;
    PlayCountMap m_pendingPlayCounts;
    std::list<ResolvedPlaylist> m_pendingPlaylists;
    std::unique_ptr<MusicSearch> m_musicSearch;
    bool m_searchRunning = false;
    bool m_sharesChosen = false;
    std::unique_ptr<FileStreamer> m_fileStreamer;
    std::function<ThreadHandle(std::unique_ptr<PlayCountImportRequest>)> m_startPlayCountImport;
    // The account, and the server's second security string that the login
    // address is built from: written on the core thread, read by the UI.
    Mutex m_accountLock;
    std::wstring m_username;
    std::wstring m_password;
    std::wstring m_token;
    std::string m_webLoginSecret;
    std::atomic<bool> m_stopFlag{false};
    std::atomic<bool> m_running{false};
    Mutex m_fatalLock;
    std::wstring m_fatalMessage;
    bool m_hasAccount = false;
    bool m_started = false;
    IKovikUI* m_ui = nullptr;
    // Detached when the core goes.
    std::shared_ptr<CorePort> m_port;
};

// The program's core, built before the program's entry runs.
extern KovikCore& g_core;

// The core thread's entry; `argument` is the core.
void CoreThreadMain(void* argument);
