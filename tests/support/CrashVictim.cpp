// A process for the crash-report uploader's tests to dump: three threads and
// a marker in its heap.
//
//   melvane_crash_victim hold
//     Prints "<pid> <tid> <tid> <tid> <marker address> <record address>" and
//     waits until its standard input brings a byte (it then prints "alive"
//     and waits again) or ends (it exits). The record is a CrashRecord whose
//     registers name the second thread's stack and instruction pointer
//     kRecordInstruction.
//   melvane_crash_victim stall
//     As "hold", but the third thread waits in vfork, which no ptrace
//     interrupt can break, until the child has read a byte from standard
//     input (or its end); the thread then prints "woke" and the program ends.
//   melvane_crash_victim crash <uploader> <log folder>
//     Sets up the program's log and crash handling with <uploader> as the
//     uploader, then crashes in its second thread, in VictimCrashHere.
#include "tests/support/CrashVictim.h"
#include "include/crash/CrashRecord.h"
#include "include/crash/CrashReport.h"
#include "include/log/Logger.h"
#include "include/text/Utf8.h"
#include "platform/thread/ThreadId.h"

#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

namespace {

std::mutex g_mutex;
std::condition_variable g_changed;
int g_tids[3] = {};
uintptr_t g_stackAddress = 0;
bool g_release = false;

void ParkThread(int index) {
    volatile char onStack[64] = {};
    std::unique_lock<std::mutex> lock(g_mutex);
    g_tids[index] = platform::CurrentThreadId();
    if (index == 1)
        g_stackAddress = reinterpret_cast<uintptr_t>(&onStack[0]);
    g_changed.notify_all();
    g_changed.wait(lock, [] { return g_release; });
}

void StallThread() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_tids[2] = platform::CurrentThreadId();
    }
    g_changed.notify_all();
    // The parent of a vfork sleeps until the child ends, deaf to everything
    // but a fatal signal.
    const pid_t child = vfork();
    if (child == 0) {
        char byte;
        (void)!read(STDIN_FILENO, &byte, 1);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::printf("woke\n");
    std::fflush(stdout);
}

// The sanitizers must let the fault through to the program's own handler.
__attribute__((noinline, no_sanitize("address", "undefined"))) void VictimCrashHere() {
    volatile int* nowhere = nullptr;
    *nowhere = 1;
}

void WaitForThreads() {
    std::unique_lock<std::mutex> lock(g_mutex);
    g_changed.wait(lock, [] { return g_tids[1] != 0 && g_tids[2] != 0; });
}

int Hold(const char* marker, bool stall) {
    std::thread second(ParkThread, 1);
    std::thread third = stall ? std::thread(StallThread) : std::thread(ParkThread, 2);
    g_tids[0] = platform::CurrentThreadId();
    WaitForThreads();

    auto* record = new CrashRecord();
#if defined(__x86_64__)
    record->context.uc_mcontext.gregs[REG_RIP] = static_cast<greg_t>(kRecordInstruction);
    record->context.uc_mcontext.gregs[REG_RSP] = static_cast<greg_t>(g_stackAddress);
#elif defined(__aarch64__)
    record->context.uc_mcontext.pc = kRecordInstruction;
    record->context.uc_mcontext.sp = g_stackAddress;
#endif
    record->info.si_signo = SIGSEGV;
    std::printf("%d %d %d %d %lu %lu\n", getpid(), g_tids[0], g_tids[1], g_tids[2],
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(marker)),
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(record)));
    std::fflush(stdout);
    if (stall) {
        third.join();
    } else {
        char byte;
        while (read(STDIN_FILENO, &byte, 1) == 1) {
            std::printf("alive\n");
            std::fflush(stdout);
        }
    }
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_release = true;
    }
    g_changed.notify_all();
    second.join();
    if (third.joinable())
        third.join();
    delete record;
    return 0;
}

int Crash(const char* uploader, const std::string& logFolder) {
    g_logger->Init(false, 1 << 16, Utf8ToWide(logFolder + "/victim.log"), 1 << 20);
    InstallCrashHandlers();
    SetHelperPath(Utf8ToWide(uploader));
    MVLOG(LOG_INFO, "%s", kVictimLogLine);
    std::thread third(ParkThread, 2);
    {
        std::unique_lock<std::mutex> lock(g_mutex);
        g_changed.wait(lock, [] { return g_tids[2] != 0; });
    }
    std::thread second(VictimCrashHere);
    second.join();
    third.join();
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_CTYPE, "C.UTF-8");
    char* marker = static_cast<char*>(std::malloc(sizeof kHeapMarker));
    std::memcpy(marker, kHeapMarker, sizeof kHeapMarker);
    int result = 2;
    if (argc == 2 && (std::strcmp(argv[1], "hold") == 0 || std::strcmp(argv[1], "stall") == 0))
        result = Hold(marker, std::strcmp(argv[1], "stall") == 0);
    else if (argc == 4 && std::strcmp(argv[1], "crash") == 0)
        result = Crash(argv[2], argv[3]);
    std::free(marker);
    return result;
}
