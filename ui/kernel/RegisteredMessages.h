// Message numbers agreed on by name, for messages that more than one part of
// the program knows only by name ("TaskbarCreated", the tray's callback).
#pragma once

#include <cstdint>
#include <string>

// The same name always gives the same number (0xC000 and up) in this process.
uint32_t RegisterWindowMessage(const std::string& name);
