// An IKovikUI that records every call, in order, from any thread.
#pragma once

#include "client/core/IKovikUI.h"

#include <mutex>
#include <string>
#include <vector>

namespace testsupport {

class RecordingUI final : public IKovikUI {
  public:
    struct Call {
        std::string op;
        long long value = 0;
        std::wstring text;
        std::vector<std::wstring> entries;
    };

    void ShowFatalError(const std::wstring& text) override { Add({"ShowFatalError", 0, text, {}}); }
    void StartLogin() override { Add({"StartLogin", 0, L"", {}}); }
    void TransferFinished(std::unique_ptr<TransferNotice> notice) override {
        Add({"TransferFinished", 0, notice ? notice->path : L"", {}});
    }
    void LoginResult(int result) override { Add({"LoginResult", result, L"", {}}); }
    void AccountProblem(int status) override { Add({"AccountProblem", status, L"", {}}); }
    void UpgradeReady(std::unique_ptr<std::wstring> path) override {
        Add({"UpgradeReady", 0, path ? *path : L"", {}});
    }
    void SetStatus(uint32_t bits) override { Add({"SetStatus", bits, L"", {}}); }
    void ShowFoldersDialog() override { Add({"ShowFoldersDialog", 0, L"", {}}); }
    void PlaylistSaved(std::unique_ptr<PlaylistNotice> notice) override {
        Add({"PlaylistSaved", 0, notice ? notice->path : L"",
             notice ? notice->entries : std::vector<std::wstring>()});
    }
    void PlaylistDeleted(std::unique_ptr<std::wstring> title) override {
        Add({"PlaylistDeleted", 0, title ? *title : L"", {}});
    }

    std::vector<Call> Calls() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_calls;
    }
    int Count(const std::string& op) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        int n = 0;
        for (const Call& call : m_calls)
            n += call.op == op ? 1 : 0;
        return n;
    }
    // The ops in order, joined by spaces.
    std::string Ops() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string ops;
        for (const Call& call : m_calls)
            ops += (ops.empty() ? "" : " ") + call.op;
        return ops;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.clear();
    }

  private:
    void Add(Call call) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(std::move(call));
    }

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
};

} // namespace testsupport
