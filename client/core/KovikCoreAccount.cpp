// The account state machine: stored account, one-time login file, the
// server's answers and account statuses, and the change of account.
#include "client/core/KovikCore.h"

#include "client/core/IKovikUI.h"
#include "client/core/OneTimeLogin.h"
#include "client/library/FileScanner.h"
#include "client/library/MusicSearch.h"
#include "include/crash/CrashReport.h"
#include "include/fs/FileCmds.h"
#include "include/fs/PathUtil.h"
#include "include/log/Logger.h"
#include "include/text/AppStrings.h"
#include "platform/time/Clock.h"

std::wstring KovikCore::GetOneTimeFilePath() const {
    return m_oneTimeFilePathOverride.empty() ? ::GetOneTimeFilePath() : m_oneTimeFilePathOverride;
}

void KovikCore::StepAccountState() {
    if (m_accountState == NONE) {
        std::wstring user, secret;
        const std::wstring oneTimePath = GetOneTimeFilePath();
        const bool haveFile = ReadOneTimeFile(oneTimePath, user, secret);
        if (haveFile && !(m_hasAccount && user == m_username && secret == m_token)) {
            m_oneTimeUser = user;
            m_oneTimeSecret = secret;
            Login(m_oneTimeUser, m_oneTimeSecret, true);
            return;
        }
        if (m_hasAccount) {
            m_accountState = HAS_ACCOUNT;
            PostStartRequest();
            SetReportId(m_username);
            if (!oneTimePath.empty() && fileExists(oneTimePath))
                (void)RemoveFile(oneTimePath);
            m_statsDone = true;
        } else {
            m_accountState = WAITING_FOR_USER;
            if (m_ui)
                m_ui->StartLogin();
        }
        return;
    }
    if (m_accountState == WAITING_FOR_RETRY && platform::MonotonicSeconds() > m_retryTime)
        Login(m_oneTimeUser, m_oneTimeSecret, true);
}

void KovikCore::Login(const std::wstring& user, const std::wstring& secret, bool oneTime) {
    if (m_nodeConn->GetState() != NC_NOT_CONNECTED) {
        // A session still winding down; the new start replaces it.
        MVLOG(LOG_ERR, "Sign-in started while the server connection is in state %i", m_nodeConn->GetState());
        m_nodeConn->RequestClose();
    }
    {
        MutexLock lock(m_accountLock);
        m_username = user;
    }
    SetReportId(user);
    m_accountState = WAITING_FOR_SERVER;
    m_nodeConn->Start(oneTime ? NCM_ONETIME_LOGIN : NCM_LOGIN, user, secret);
}

void KovikCore::OnAccountAnswer(int result, const std::wstring& credential, int connMode) {
    if (m_accountState != WAITING_FOR_SERVER) {
        MVLOG(LOG_ERR, "Ignoring a sign-in answer %i in account state %i", result, m_accountState);
        return;
    }
    if (result == kLoginOk || result == kLoginOneTimeOk) {
        const std::wstring secret = connMode == NCM_ONETIME_LOGIN ? m_oneTimeSecret : std::wstring();
        ++m_oneTimeAttempts;
        SetAccountStrings(m_username, credential, secret);
        (void)SaveAccount(m_username, credential, secret);
    }
    if (connMode == NCM_LOGIN) {
        m_accountState = WAITING_FOR_USER;
        if (m_ui)
            m_ui->LoginResult(result);
        return;
    }
    if (connMode != NCM_ONETIME_LOGIN) {
        MVLOG(LOG_ERR, "Sign-in answer %i for connection mode %i", result, connMode);
        return;
    }
    ++m_oneTimeAttempts;
    if (result == kLoginOneTimeOk) {
        const std::wstring oneTimePath = GetOneTimeFilePath();
        if (!oneTimePath.empty() && fileExists(oneTimePath))
            (void)deleteFile(oneTimePath, true);
        bool notFound = false;
        if (GetActionCount(m_configDb.Get(), kActionMusicSearch, notFound) <= 0)
            StartMusicSearch();
        (void)SaveShares();
        PostStartRequest();
    } else if (result == kLoginRejected) {
        FatalError(GetAppString(AS_INSTALL_PROBLEM));
    } else if (m_oneTimeAttempts <= kMaxOneTimeAttempts) {
        m_accountState = WAITING_FOR_RETRY;
        m_retryTime = platform::MonotonicSeconds() + kOneTimeRetrySecs;
    } else {
        FatalError(GetAppString(AS_REGISTER_FAILED));
    }
}

void KovikCore::OnAccountStatus(int code) {
    m_accountState = WAITING_FOR_USER;
    m_scanner->Reset();
    if (m_ui)
        m_ui->AccountProblem(code);
}

void KovikCore::ChangeAccount() {
    m_nodeConn->RequestClose();
    m_scanner->Reset();
    // The stored row goes; the strings in memory stay.
    (void)SaveAccount(std::wstring(), std::wstring(), std::wstring());
    m_accountState = WAITING_FOR_USER;
    if (m_ui)
        m_ui->StartLogin();
}
