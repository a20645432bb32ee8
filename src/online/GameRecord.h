// TGame: one hosted game as the lobby lists it; the same record, kept by a host, marks the
// game it hosts.
#pragma once

#include <string>

#include "engine/Types.h"

namespace lr {

struct TGame {
  std::string HostName;  // 8-bit; filled only in the record of the game this player hosts
  Word GameId = 0;       // the master server's identifier
  std::string GameName;  // 8-bit, at most 30 characters
  Byte PlayerCount = 0;
  Byte MaxPlayers = 0;  // 2..8
  Word Ping = 0;        // milliseconds, as the master server measured it
  bool Closed = false;  // shown as "Closed" instead of "Open"; nothing in the game sets it
};

}  // namespace lr
