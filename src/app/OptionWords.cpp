// The command line's numbers and addresses.
#include "app/OptionWords.h"

#include <charconv>

namespace lr {

namespace {
constexpr const char* kDefaultMasterPort = "8888";
}

bool ParseWholeOption(const std::string& option, const std::string& text, int64_t min, int64_t max, int64_t& value,
                      std::string& error) {
  const char* end = text.data() + text.size();
  int64_t parsed = 0;
  auto [ptr, ec] = std::from_chars(text.data(), end, parsed);
  if (!text.empty() && ec == std::errc() && ptr == end && parsed >= min && parsed <= max) {
    value = parsed;
    return true;
  }
  const std::string range = max == INT64_MAX ? ", " + std::to_string(min) + " or more"
                                             : " from " + std::to_string(min) + " to " + std::to_string(max);
  error = option + ": expected a whole number" + range + ", got '" + text + "'";
  return false;
}

bool ParseMaster(const std::string& text, std::string& host, std::string& port, std::string& error) {
  std::string hostPart = text, portPart;
  if (!text.empty() && text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string::npos || (close + 1 < text.size() && text[close + 1] != ':')) {
      error = "--master: expected HOST or HOST:PORT, got '" + text + "'";
      return false;
    }
    hostPart = text.substr(1, close - 1);
    if (close + 1 < text.size()) portPart = text.substr(close + 2);
    else portPart = kDefaultMasterPort;
  } else if (const size_t colon = text.find(':'); colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
    hostPart = text.substr(0, colon);
    portPart = text.substr(colon + 1);
  } else {
    portPart = kDefaultMasterPort;
  }
  if (hostPart.empty()) {
    error = "--master: expected HOST or HOST:PORT, got '" + text + "'";
    return false;
  }
  int64_t number = 0;
  if (!ParseWholeOption("--master", portPart, 1, 65535, number, error)) {
    error = "--master: expected HOST or HOST:PORT with a port from 1 to 65535, got '" + text + "'";
    return false;
  }
  host = hostPart;
  port = std::to_string(number);
  return true;
}

bool ParseCpuOption(const std::string& text, int& player, TPlayedBy& level, std::string& error) {
  const size_t colon = text.find(':');
  const std::string who = colon == std::string::npos ? "" : text.substr(0, colon);
  const std::optional<TPlayedBy> how =
      colon == std::string::npos ? std::nullopt : PlayedByFromWord(std::string_view(text).substr(colon + 1));
  if ((who != "1" && who != "2") || !how) {
    error = "--cpu: expected PLAYER:LEVEL with PLAYER 1 or 2 and LEVEL easy, normal or hard, got '" + text + "'";
    return false;
  }
  player = who == "1" ? 1 : 2;
  level = *how;
  return true;
}

}  // namespace lr
