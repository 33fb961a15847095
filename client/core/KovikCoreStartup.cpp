// Start-up of the core on the UI thread: folder, log, database, networking,
// tables, account, shares, share monitor and scanner.
#include "client/core/KovikCore.h"

#include "client/core/IKovikUI.h"
#include "client/core/RandomSource.h"
#include "client/library/FileScanner.h"
#include "client/library/ShareMon.h"
#include "client/media/FFmpegInit.h"
#include "client/stream/FileStreamer.h"
#include "include/config/ServiceSettings.h"
#include "include/crash/Assert.h"
#include "include/db/StatementHelpers.h"
#include "include/digest/Md5.h"
#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/net/Sockets.h"
#include "include/text/Utf8.h"
#include "platform/lib/openssl/SslContext.h"
#include "platform/time/Clock.h"

#include <openssl/err.h>

namespace {

constexpr int kLogBufferBytes = 262144;
constexpr uint32_t kLogFileLimit = 5242880;
constexpr wchar_t kConfigDbName[] = L"mv.dat";

const wchar_t* SecretPresence(const std::wstring& secret) {
    return secret.empty() ? L"(none)" : L"(set)";
}

} // namespace

bool KovikCore::StartCore(IKovikUI* ui) {
    m_ui = ui;
    g_ui = ui;

    std::wstring dir;
    if (!ChooseConfigDir(dir))
        return false;

    MV_ASSERT(g_logger != nullptr);
    if (g_logger)
        g_logger->Init(false, kLogBufferBytes, GetLogFilePath(dir), kLogFileLimit);
    MVLOG(LOG_INFO, "chose %ls as config dir, len %i", dir.c_str(), static_cast<int>(dir.size()));

    if (m_sessionSalt.empty() && !MakeRandomHexId(m_sessionSalt)) {
        MVLOG(LOG_CRIT, "Could not make the session salt");
        return false;
    }

    InitFFmpeg();
    if (!OpenConfigDb(dir))
        return false;
    if (!InitNetworking()) {
        MVLOG(LOG_CRIT, "unable to init networking");
        return false;
    }
    SeedRandomSource(static_cast<uint32_t>(platform::WallSeconds()));

    sqlite3* db = m_configDb.Get();
    (void)CreateSharesTable(db);
    (void)CreateActionsTable(db);
    (void)CreateAccountsTable(db);

    m_nodeConn->InitServerConnection(GetServiceSettings().useTls ? m_sslContext.get() : nullptr,
                                     m_sessionSalt);

    std::wstring username, password, token;
    m_hasAccount = LoadAccount(username, password, token);
    SetAccountStrings(username, password, token);
    // The log is uploaded with reports: the secrets show only whether they are
    // there.
    MVLOG(LOG_VERB, "hasAccount: %i, username: %ls, password: %ls, dbt: %ls", m_hasAccount ? 1 : 0,
          username.c_str(), SecretPresence(password), SecretPresence(token));

    (void)LoadShares();
    m_shareMon->Start();
    m_shareMon->SetShares(GetShares());

    m_accountState = NONE;
    MVLOG(LOG_VERB, "%i dirs shared", ShareCount());

    if (!m_scanner->InitMetadataDb(GetShares(), db)) {
        MVLOG(LOG_CRIT, "Could not set up the metadata tables");
        return false;
    }
    if (m_nodeConn->HasConnectedOnce())
        m_fileStreamer->Start(*m_scanner, *m_nodeConn, m_sessionSalt);
    m_started = true;
    return true;
}

bool KovikCore::ChooseConfigDir(std::wstring& path) {
    path = m_configDirOverride.empty() ? GetAppDataDir() : m_configDirOverride;
    if (path.empty())
        return false;
    if (!isDirectory(path) && !createDirs(path + L"/")) {
        MVLOG(LOG_CRIT, "Could not create the config dir %ls", path.c_str());
        return false;
    }
    return true;
}

bool KovikCore::OpenConfigDb(const std::wstring& dir) {
    const std::wstring file = PathJoin(dir, kConfigDbName);
    if (m_configDb.Open(WideToUtf8(file)) != SQLITE_OK) {
        MVLOG(LOG_CRIT, "Could not open %ls", file.c_str());
        return false;
    }
    // The encoding only takes effect in a new file; existing files keep theirs.
    if (!ExecQuery(m_configDb.Get(), "PRAGMA encoding = \"UTF-16\"") ||
        !ExecQuery(m_configDb.Get(), "PRAGMA synchronous=NORMAL")) {
        MVLOG(LOG_CRIT, "Could not set up %ls", file.c_str());
        m_configDb.Close();
        return false;
    }
    // journal_mode answers with a row, so it is stepped here directly.
    platform::SqliteStatement walMode;
    if (walMode.Prepare(m_configDb.Get(), "PRAGMA journal_mode=WAL") != SQLITE_OK ||
        walMode.Step() != SQLITE_ROW)
        MVLOG(LOG_ERR, "Could not switch %ls to write-ahead logging", file.c_str());
    return true;
}

bool KovikCore::InitNetworking() {
    // Sockets need no library start here; ignoring SIGPIPE is the set-up.
    const int result = startNetworking();
    MVLOG(LOG_VERB, "inited winsock, result: %i", result);
    if (result != 0) {
        MVLOG(LOG_CRIT, "unable to init WinSock2. res: %i", result);
        return false;
    }
    ServiceSettings settings = GetServiceSettings();
    platform::TlsClientSettings tls;
    tls.caFile = settings.caFile;
    unsigned long error = 0;
    m_sslContext = platform::SslContext::CreateClient(tls, &error);
    if (!m_sslContext) {
        char text[256] = {};
        ERR_error_string_n(error, text, sizeof text);
        MVLOG(LOG_CRIT, "Could not create the TLS client context: %s", text);
        return false;
    }
    return true;
}
