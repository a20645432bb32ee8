// Port and address parsing and the threaded host name lookup.
#include "net/SocketAddress.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>

#include <cerrno>
#include <charconv>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "net/SocketErrors.h"

namespace lr {

std::optional<uint16_t> ResolvePort(const std::string& text) {
  servent entry{};
  servent* found = nullptr;
  char scratch[1024];
  if (::getservbyname_r(text.c_str(), "tcp", &entry, scratch, sizeof scratch, &found) == 0 &&
      found != nullptr)
    return ntohs(static_cast<uint16_t>(found->s_port));

  // A 32-bit decimal integer with an optional sign, nothing before or after it.
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  int32_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (first == last || error != std::errc() || end != last)
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  if (value < 0 || value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

std::optional<uint32_t> ParseDottedAddress(const std::string& text) {
  in_addr address{};
  if (::inet_pton(AF_INET, text.c_str(), &address) != 1) return std::nullopt;
  return ntohl(address.s_addr);
}

namespace {

THostLookupResult LookUp(const std::string& host) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  const int eai = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
  THostLookupResult result;
  if (eai != 0) {
    result.Error = WinsockCodeFromLookup(eai, errno);
  } else if (list == nullptr) {
    result.Error = 11004;
  } else {
    result.Address = ntohl(reinterpret_cast<const sockaddr_in*>(list->ai_addr)->sin_addr.s_addr);
  }
  if (list) ::freeaddrinfo(list);
  return result;
}

}  // namespace

bool StartHostLookup(const std::string& host, std::function<void(THostLookupResult)> done) {
  try {
    std::thread([host, done = std::move(done)] { done(LookUp(host)); }).detach();
    return true;
  } catch (const std::system_error&) {
    return false;
  }
}

}  // namespace lr
