// Bodies of the song server's three small resources.
#pragma once

#include <cstdint>
#include <string>

// "random": a script naming a song id of the library (0 when it is empty).
std::string RandomSongScript(uint32_t songId);
// "identify": a script naming the account and the program's version; a ' or
// \ in the user name is escaped so the string literal stays whole.
std::string IdentifyScript(const std::string& userName, const std::string& version);
// "crossdomain.xml": the policy that lets players from any domain in.
std::string CrossDomainPolicy();
