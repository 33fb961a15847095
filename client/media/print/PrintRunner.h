// The parent's side of the fingerprint child: the program itself started
// again with "/fp", one at a time per process. GetPrintOutOfProc
// (client/media/PrintSource.h) is its entry.
#pragma once

#include <cstdint>
#include <string>

// The child's argument vector; argv[0] is the program's plain name.
constexpr char kPrintChildName[] = "Melvane";
constexpr char kPrintChildSwitch[] = "/fp";
// The environment variable that tells the child its parent's process id, so
// it can tell whether its parent died before it asked to die with it.
constexpr char kPrintParentEnv[] = "MELVANE_PRINT_PARENT";
// The running program's own executable.
constexpr char kPrintChildSelf[] = "/proc/self/exe";
// A child that has not answered by then is killed; its own watchdog ends it
// after 60 s, so this catches only a child that cannot even do that.
constexpr uint32_t kPrintChildDeadlineMs = 75000;

// Bytes of the request and reply buffers.
constexpr int kPrintRequestBytes = 4096;
constexpr int kPrintReplyReadBytes = 16384;

// Replaces the child's executable and deadline (tests start a stand-in);
// an empty path restores /proc/self/exe and kPrintChildDeadlineMs.
void SetPrintChildProgram(const std::string& program, uint32_t deadlineMs);
