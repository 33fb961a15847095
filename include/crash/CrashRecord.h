// What a crashed process tells the uploader about its crash. The record lives
// in the crashed process; the uploader is given its address and reads it from
// there, so both sides must agree on this layout (they are built together).
#pragma once

#include <signal.h>
#include <ucontext.h>

struct CrashRecord {
    siginfo_t info;
    ucontext_t context; // the registers of the crashed thread at the fault
};
