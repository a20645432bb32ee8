// Checking the words of the command line that carry numbers and addresses, each with one
// short line in words when it is wrong.
#pragma once

#include <cstdint>
#include <string>

#include "settings/PlayedBy.h"

namespace lr {

// A whole number from `min` to `max`; otherwise false with an error such as
// "--frames: expected a whole number, 0 or more, got 'abc'".
bool ParseWholeOption(const std::string& option, const std::string& text, int64_t min, int64_t max, int64_t& value,
                      std::string& error);

// HOST or HOST:PORT (the port 1 to 65535, 8888 when not given). A bracketed IPv6 address
// ("[::1]:8888") keeps its colons.
bool ParseMaster(const std::string& text, std::string& host, std::string& port, std::string& error);

// --cpu PLAYER:LEVEL: PLAYER 1 or 2, LEVEL easy, normal or hard (any letter case), or person
// to give the player back to the keyboard.
bool ParseCpuOption(const std::string& text, int& player, TPlayedBy& level, std::string& error);

}  // namespace lr
