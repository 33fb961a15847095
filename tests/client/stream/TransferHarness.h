// Peer transfers under test on loopback: the transfers are passed as the
// core loop passes them, the test peer between passes, on an injected clock
// and in a private temporary folder.
#pragma once

#include "client/stream/FileTransfer.h"
#include "include/crash/CrashReport.h"
#include "include/net/Sockets.h"
#include "include/text/Utf8.h"
#include "tests/support/CapturedLog.h"
#include "tests/support/LoopbackSockets.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/core/FakeLibrary.h"
#include "tests/support/core/RecordingUI.h"
#include "tests/support/media/Mp3Fixture.h"
#include "tests/support/transfer/TestPeer.h"

#include <arpa/inet.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

// Bytes before the audio data of the fixture file.
constexpr size_t kFixtureTagBytes = 2000;

class TransferHarness {
  public:
    TransferHarness() : m_cache("XDG_CACHE_HOME", dir.File("cache")) {
        (void)startNetworking();
        std::filesystem::create_directories(dir.File("music"));
        std::filesystem::create_directories(dir.File("dl"));
    }

    // A shared file of `bytes` in the music folder.
    std::wstring ShareFile(const std::string& name, const std::string& bytes) {
        WriteFileText(dir.File("music/" + name), bytes);
        return dir.WFile("music/" + name);
    }

    static TransferStart Upload(const std::wstring& path, uint64_t fileSetID, uint16_t port = 0) {
        TransferStart start;
        start.id = TransferId{7, 1, 2, 3};
        start.direction = SEND;
        start.path = path;
        start.fileSetID = fileSetID;
        start.connID = L"conn-7";
        start.address = "127.0.0.1";
        start.port = port;
        return start;
    }
    TransferStart Download(const std::string& dirName, const std::string& fileName, uint64_t fileSetID,
                           uint32_t size, uint16_t port = 0) const {
        TransferStart start = Upload(dir.WFile("dl"), fileSetID, port);
        start.direction = RECV;
        start.dirName = Utf8ToWide(dirName);
        start.fileName = Utf8ToWide(fileName);
        start.size = size;
        start.songID = 4242;
        return start;
    }
    std::string TempFile(uint64_t fileSetID) const {
        return dir.File("cache/Melvane/tmp/mv-7-" + std::to_string(fileSetID) + ".temp");
    }

    // One pass of the core loop's work for the transfers.
    void Pass(const std::vector<FileTransfer*>& transfers) {
        SocketSet readSet, writeSet, exceptSet;
        int maxFd = 0;
        bool any = false;
        for (FileTransfer* transfer : transfers) {
            if (!transfer->IsFinished())
                transfer->TransferTick(scanner);
            transfer->GetConn().AddToFdSets(maxFd, any, readSet, writeSet, exceptSet);
        }
        TcpConn::FillListenFdSets(readSet, maxFd);
        timeval timeout{0, 1000};
        if (selectSockets(maxFd + 1, &readSet, &writeSet, &exceptSet, &timeout) <= 0)
            return;
        for (FileTransfer* transfer : transfers)
            transfer->GetConn().HandleSelect(readSet, writeSet, exceptSet);
        TcpConn::Accept(readSet);
    }

    // Passes, each followed by `peerStep`, until `done` holds (false when it
    // does not within real time).
    bool RunUntil(const std::vector<FileTransfer*>& transfers, const std::function<void()>& peerStep,
                  const std::function<bool()>& done) {
        return WaitUntil(
            [&] {
                if (done())
                    return true;
                Pass(transfers);
                if (peerStep)
                    peerStep();
                return false;
            },
            kWaitTimeout, std::chrono::microseconds(0));
    }
    bool RunToEnd(FileTransfer& transfer, const std::function<void()>& peerStep) {
        return RunUntil({&transfer}, peerStep, [&] { return transfer.IsFinished(); });
    }

    // Every file below the test folder but the shared ones, relative to it.
    std::vector<std::string> WrittenFiles() const {
        std::vector<std::string> files;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.Path())) {
            const std::string name = std::filesystem::relative(entry.path(), dir.Path()).string();
            if (entry.is_regular_file() && name.rfind("music/", 0) != 0)
                files.push_back(name);
        }
        std::sort(files.begin(), files.end());
        return files;
    }

    static uint16_t FreePort() { return ntohs(ClosedLoopbackAddress().sin_port); }

    CapturedLog log;
    ManualClock clock;
    TempDir dir;
    RecordingUI ui;
    FakeScanner scanner;

  private:
    ScopedEnv m_cache;
};

} // namespace testsupport
