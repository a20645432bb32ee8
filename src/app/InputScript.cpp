// Parsing of input scripts.
#include "app/InputScript.h"

#include <charconv>
#include <sstream>

#include "platform/KeyTable.h"

namespace lr {

namespace {

bool ParseInt(const std::string& word, int64_t& value) {
  const char* end = word.data() + word.size();
  auto [ptr, ec] = std::from_chars(word.data(), end, value);
  return ec == std::errc() && ptr == end;
}

// The keys a script may press: the game's keys.
constexpr std::string_view kScriptKeys[] = {"Up", "Down", "Left", "Right", "Return", "W",
                                            "A",  "S",    "D",    "Q",     "Space",  "Escape"};

}  // namespace

bool ParseInputScript(const std::string& text, TInputScript& script, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int lineNumber = 0;
  while (std::getline(lines, line)) {
    ++lineNumber;
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::vector<std::string> w;
    for (std::string word; words >> word;) w.push_back(word);
    if (w.empty()) continue;
    auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(lineNumber) + ": " + why;
      return false;
    };
    int64_t frame = 0;
    if (!ParseInt(w[0], frame) || frame < 1) return fail("frame number expected, got '" + w[0] + "'");
    TInputEvent event;
    if (w.size() >= 2 && w[1] == "key") {
      if (w.size() != 4) return fail("expected: FRAME key NAME down|up");
      bool known = false;
      for (std::string_view name : kScriptKeys) known = known || name == w[2];
      const TKeyInfo* key = known ? FindKeyByName(w[2]) : nullptr;
      if (!key) return fail("unknown key '" + w[2] + "'");
      if (w[3] == "down")
        event.Kind = TInputEventKind::KeyDown;
      else if (w[3] == "up")
        event.Kind = TInputEventKind::KeyUp;
      else
        return fail("expected down or up, got '" + w[3] + "'");
      event.Key = key->Dik;
      event.VirtualKey = key->VirtualKey;
    } else if (w.size() >= 2 && w[1] == "mouse") {
      int64_t x = 0, y = 0;
      if (w.size() != 4 || !ParseInt(w[2], x) || !ParseInt(w[3], y) || x < -100000 || x > 100000 ||
          y < -100000 || y > 100000)
        return fail("expected: FRAME mouse X Y");
      event.Kind = TInputEventKind::MouseMove;
      event.X = static_cast<int32_t>(x);
      event.Y = static_cast<int32_t>(y);
    } else if (w.size() == 2 && w[1] == "click") {
      event.Kind = TInputEventKind::Click;
    } else {
      return fail("unknown event '" + (w.size() >= 2 ? w[1] : std::string()) + "'");
    }
    script.Events[frame].push_back(event);
  }
  return true;
}

}  // namespace lr
