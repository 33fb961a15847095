#include "client/core/KovikCore.h"

#include "client/core/IKovikUI.h"
#include "client/library/FileScanner.h"
#include "client/library/MusicSearch.h"
#include "client/library/ShareMon.h"
#include "client/server/NodeConn.h"
#include "client/stream/FileStreamer.h"
#include "include/digest/Md5.h"
#include "include/log/Logger.h"
#include "platform/lib/openssl/SslContext.h"

#include <new>

namespace {

// The core is never destroyed: at exit the core thread may still be running
// (the UI stops waiting for it after a while).
alignas(KovikCore) unsigned char g_coreStorage[sizeof(KovikCore)];

} // namespace

KovikCore& g_core = *new (g_coreStorage) KovikCore();

void CoreThreadMain(void* argument) {
    // Nothing to set up per thread here (no COM).
    static_cast<KovikCore*>(argument)->RunCoreLoop();
}

KovikCore::KovikCore() : KovikCore(CoreParts()) {}

KovikCore::KovikCore(CoreParts parts)
    : m_nodeConn(std::move(parts.nodeConn)), m_scanner(std::move(parts.scanner)),
      m_configDirOverride(std::move(parts.configDirOverride)),
      m_oneTimeFilePathOverride(std::move(parts.oneTimeFilePath)), m_shareMon(std::move(parts.shareMon)),
      m_musicSearch(std::move(parts.musicSearch)), m_fileStreamer(std::move(parts.fileStreamer)),
      m_startPlayCountImport(std::move(parts.startPlayCountImport)),
      m_port(std::make_shared<CorePort>(*this)) {
    if (!m_nodeConn)
        m_nodeConn = std::make_unique<NodeConn>(*this);
    if (!m_scanner)
        m_scanner = std::make_unique<FileScanner>(this);
    if (!m_shareMon)
        m_shareMon = std::make_unique<ShareMon>();
    if (!m_musicSearch)
        m_musicSearch = std::make_unique<MusicSearch>();
    if (!m_fileStreamer)
        m_fileStreamer = std::make_unique<FileStreamer>();
    if (!m_startPlayCountImport)
        m_startPlayCountImport = StartITunesPlayCountImport;
    // Fails only when the system has no random source; StartCore tries again.
    if (!MakeRandomHexId(m_sessionSalt))
        m_sessionSalt.clear();
}

KovikCore::~KovikCore() {
    m_port->Detach();
    if (g_ui == m_ui)
        g_ui = nullptr;
}

void KovikCore::FatalError(const std::wstring& text) {
    {
        MutexLock lock(m_fatalLock);
        if (!m_fatalMessage.empty()) {
            // The UI may be showing the first text; it stays.
            MVLOG(LOG_CRIT, "core died again with mesg '%ls'", text.c_str());
            SetStopFlag();
            return;
        }
        m_fatalMessage = text.substr(0, kMaxFatalChars - 1);
    }
    MVLOG(LOG_CRIT, "core died with mesg '%ls'", m_fatalMessage.c_str());
    if (m_ui)
        m_ui->ShowFatalError(m_fatalMessage);
    SetStopFlag();
}

void KovikCore::UpgradeReady(const std::wstring& installerPath) {
    if (m_ui)
        m_ui->UpgradeReady(std::make_unique<std::wstring>(installerPath));
}

void KovikCore::SleepUnlessStopped(uint32_t seconds, uint32_t milliseconds) {
    constexpr uint32_t kStepMs = 100;
    const uint64_t steps = milliseconds / kStepMs + static_cast<uint64_t>(seconds) * 1000 / kStepMs;
    for (uint64_t i = 0; i < steps && !IsStopping(); ++i)
        SleepFor(0, kStepMs);
}

void KovikCore::SetWebLoginSecret(const std::string& secret) {
    MutexLock lock(m_accountLock);
    m_webLoginSecret = secret;
}

void KovikCore::SetAccountStrings(const std::wstring& username, const std::wstring& password,
                                  const std::wstring& token) {
    MutexLock lock(m_accountLock);
    m_username = username;
    m_password = password;
    m_token = token;
}
