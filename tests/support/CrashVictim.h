// What the crash victim program (CrashVictim.cpp) and its tests share.
#pragma once

#include <cstdint>

// Kept in the victim's heap while it runs.
inline constexpr char kHeapMarker[] = "melvane-victim-heap-marker-5d1c";
// The instruction pointer of the CrashRecord that "hold" prepares.
inline constexpr uint64_t kRecordInstruction = 0x5eed1234;
// Logged by "crash" before it crashes.
inline constexpr char kVictimLogLine[] = "victim about to crash";
