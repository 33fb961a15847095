// Socket failures by class. Every socket wrapper turns a failed call into one
// of these, so callers test classes rather than errno values.
#pragma once

enum SocketError {
    SOCKERR_INVALID = -1000,
    SOCKERR_RESOURCES = -2000,
    SOCKERR_WOULDBLOCK = -3000,
    SOCKERR_CONNECTION = -4000,
    SOCKERR_FAULT = -5000,
    SOCKERR_ISCONN = -6000,
    SOCKERR_OTHER = -7000,
};

// The class of an errno value from a socket call.
[[nodiscard]] SocketError classifySocketError(int error) noexcept;

// 0 when `result` is not -1. Otherwise takes errno as the calling thread's
// last socket error, logs it, pauses the thread 5 ms when the call would have
// blocked (so a polling caller does not spin) and returns the error's class.
// errno is left as it was.
int translateError(int result);

// The errno value of the calling thread's last failed socket call.
[[nodiscard]] int getLastSocketError() noexcept;
