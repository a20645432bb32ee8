// Fuzz target: the runner's input script parser. Whatever the text, it parses or says which
// line is wrong; what it parses holds only events the game can take, and the same text always
// parses to the same events.
#include <string>

#include "FuzzSupport.h"
#include "app/InputScript.h"
#include "platform/KeyTable.h"

namespace {

using namespace lr;

// A script's events as one text line each, in frame order.
std::string Describe(const TInputScript& script) {
  std::string out;
  for (const auto& [frame, events] : script.Events)
    for (const TScriptEvent& event : events) {
      out += std::to_string(frame) + ":";
      if (event.Lobby)
        out += "lobby " + std::to_string(static_cast<int>(event.Lobby->Kind)) + " [" + event.Lobby->Text + "] [" +
               event.Lobby->Players + "] " + std::to_string(event.Lobby->Row);
      else if (event.Room)
        out += "room " + std::to_string(static_cast<int>(event.Room->Kind)) + " [" + event.Room->Text + "]";
      else
        out += "input " + std::to_string(static_cast<int>(event.Input.Kind)) + " " + std::to_string(event.Input.Key) +
               " " + std::to_string(event.Input.X) + " " + std::to_string(event.Input.Y);
      out += "\n";
    }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  TInputScript script;
  std::string error;
  if (!ParseInputScript(text, script, error)) {
    LR_FUZZ_CHECK(error.rfind("line ", 0) == 0);
    return 0;
  }
  LR_FUZZ_CHECK(error.empty());
  for (const auto& [frame, events] : script.Events) {
    LR_FUZZ_CHECK(frame >= 1);
    LR_FUZZ_CHECK(!events.empty());
    for (const TScriptEvent& event : events) {
      LR_FUZZ_CHECK(!(event.Lobby && event.Room));
      if (event.Lobby || event.Room) continue;
      const TInputEvent& input = event.Input;
      if (input.Kind == TInputEventKind::KeyDown || input.Kind == TInputEventKind::KeyUp)
        LR_FUZZ_CHECK(input.Key > 0 && input.Key < 256);
      if (input.Kind == TInputEventKind::MouseMove)
        LR_FUZZ_CHECK(input.X >= -100000 && input.X <= 100000 && input.Y >= -100000 && input.Y <= 100000);
    }
    // A chat line ends at the comment and at the line's end.
    for (const TScriptEvent& event : events) {
      const std::string& chat = event.Lobby ? event.Lobby->Text : event.Room ? event.Room->Text : std::string();
      LR_FUZZ_CHECK(chat.find('#') == std::string::npos && chat.find('\n') == std::string::npos);
    }
  }
  // The same text parses the same every time.
  TInputScript again;
  LR_FUZZ_CHECK(ParseInputScript(text, again, error));
  LR_FUZZ_CHECK(Describe(again) == Describe(script));
  return 0;
}
