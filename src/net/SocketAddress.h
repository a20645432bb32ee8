// Turning the components' Host and Port texts into IPv4 addresses and port numbers: service
// names, decimal ports, dotted addresses, and host names looked up on a thread of their own.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace lr {

// A TCP service name from the services database, or else a decimal number. A text that is
// neither throws std::invalid_argument "'<text>' is not a valid integer value". A number
// outside 0..65535 gives nothing (the caller reports "Invalid argument").
std::optional<uint16_t> ResolvePort(const std::string& text);

// A dotted IPv4 address in host byte order, or nothing when the text is not one.
std::optional<uint32_t> ParseDottedAddress(const std::string& text);

// The first IPv4 address of a host name (host byte order), or the Winsock code of the failure.
struct THostLookupResult {
  int Error = 0;
  uint32_t Address = 0;
};

// Looks a host name up on a detached thread, so a slow name server never stalls the game,
// and calls `done` on that thread with the result. Returns false (and never calls `done`)
// when no thread could be started.
bool StartHostLookup(const std::string& host, std::function<void(THostLookupResult)> done);

}  // namespace lr
