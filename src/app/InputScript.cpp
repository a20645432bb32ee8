// Parsing of input scripts.
#include "app/InputScript.h"

#include <charconv>
#include <sstream>

#include "online/GameRoom.h"
#include "online/LobbyForm.h"
#include "platform/KeyTable.h"
#include "text/Codepage.h"

namespace lr {

namespace {

bool ParseInt(const std::string& word, int64_t& value) {
  const char* end = word.data() + word.size();
  auto [ptr, ec] = std::from_chars(word.data(), end, value);
  return ec == std::errc() && ptr == end;
}

// The line after its first `count` words, without the blanks around it.
std::string RestOfLine(const std::string& line, size_t count) {
  constexpr const char* kBlanks = " \t\r";
  size_t at = 0;
  for (size_t i = 0; i < count; ++i) {
    at = line.find_first_not_of(kBlanks, at);
    at = at == std::string::npos ? line.size() : line.find_first_of(kBlanks, at);
    if (at == std::string::npos) return {};
  }
  const size_t first = line.find_first_not_of(kBlanks, at);
  if (first == std::string::npos) return {};
  return line.substr(first, line.find_last_not_of(kBlanks) + 1 - first);
}

// The lobby's script words.
bool ParseLobbyAction(const std::string& line, const std::vector<std::string>& w, TLobbyAction& action,
                      std::string& why) {
  using K = TLobbyAction::TKind;
  const std::string verb = w.size() >= 3 ? w[2] : std::string();
  if (verb == "chat") {
    action.Kind = K::Chat;
    action.Text = RestOfLine(line, 3);
  } else if (verb == "host" && w.size() >= 4) {
    action.Kind = K::Host;
    action.Players = w[3];
    action.Text = RestOfLine(line, 4);
  } else if (verb == "join" && w.size() == 4) {
    int64_t row = 0;
    if (!ParseInt(w[3], row) || row < 0 || row > 100000) {
      why = "expected: FRAME lobby join ROW (0 is the header)";
      return false;
    }
    action.Kind = K::Join;
    action.Row = static_cast<int32_t>(row);
  } else if (verb == "refresh" && w.size() == 3) {
    action.Kind = K::Refresh;
  } else if (verb == "exit" && w.size() == 3) {
    action.Kind = K::Exit;
  } else {
    why = "expected: FRAME lobby chat TEXT..., host PLAYERS NAME..., join ROW, refresh or exit";
    return false;
  }
  return true;
}

// The room's script words.
bool ParseRoomAction(const std::string& line, const std::vector<std::string>& w, TRoomAction& action,
                     std::string& why) {
  using K = TRoomAction::TKind;
  const std::string verb = w.size() >= 3 ? w[2] : std::string();
  if (verb == "chat") {
    action.Kind = K::Chat;
    action.Text = RestOfLine(line, 3);
  } else if (verb == "ready" && w.size() == 3) {
    action.Kind = K::Ready;
  } else if (verb == "launch" && w.size() == 3) {
    action.Kind = K::Launch;
  } else if (verb == "leave" && w.size() == 3) {
    action.Kind = K::Leave;
  } else {
    why = "expected: FRAME room chat TEXT..., ready, launch or leave";
    return false;
  }
  return true;
}

// A pad's script words, after the pad's number.
bool ParsePadEvent(const std::vector<std::string>& w, TPadEvent& event, std::string& why) {
  using K = TPadEvent::TKind;
  int64_t pad = 0;
  why = "expected: FRAME pad N plug|unplug, FRAME pad N BUTTON down|up or FRAME pad N axis AXIS VALUE (N 1 to 4)";
  if (w.size() < 4 || !ParseInt(w[2], pad) || pad < 1 || pad > kMaxPads) return false;
  event.Pad = static_cast<int32_t>(pad - 1);
  if (w.size() == 4 && (w[3] == "plug" || w[3] == "unplug")) {
    event.Kind = w[3] == "plug" ? K::Plug : K::Unplug;
    return true;
  }
  if (w.size() == 6 && w[3] == "axis") {
    const std::optional<TPadAxis> axis = PadAxisFromWord(w[4]);
    int64_t value = 0;
    if (!axis) {
      why = "unknown pad axis '" + w[4] + "' (leftx lefty rightx righty lefttrigger righttrigger)";
      return false;
    }
    if (!ParseInt(w[5], value) || value < -32768 || value > 32767) {
      why = "a pad axis goes from -32768 to 32767, got '" + w[5] + "'";
      return false;
    }
    event.Kind = K::Axis;
    event.Axis = *axis;
    event.Value = static_cast<int32_t>(value);
    return true;
  }
  if (w.size() == 5 && (w[4] == "down" || w[4] == "up")) {
    const std::optional<TPadButton> button = PadButtonFromWord(w[3]);
    if (!button) {
      why = "unknown pad button '" + w[3] + "'";
      return false;
    }
    event.Kind = K::Button;
    event.Button = *button;
    event.Down = w[4] == "down";
    return true;
  }
  return false;
}

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
    if (w.size() >= 2 && w[1] == "lobby") {
      TLobbyAction action;
      std::string why;
      if (!ParseLobbyAction(line, w, action, why)) return fail(why);
      script.Events[frame].push_back({.Input = {}, .Lobby = action});
      continue;
    }
    if (w.size() >= 2 && w[1] == "room") {
      TRoomAction action;
      std::string why;
      if (!ParseRoomAction(line, w, action, why)) return fail(why);
      script.Events[frame].push_back({.Input = {}, .Lobby = std::nullopt, .Room = action});
      continue;
    }
    if (w.size() >= 2 && w[1] == "pad") {
      TPadEvent pad;
      std::string why;
      if (!ParsePadEvent(w, pad, why)) return fail(why);
      script.Events[frame].push_back({.Input = {}, .Lobby = std::nullopt, .Room = std::nullopt, .Pad = pad});
      continue;
    }
    if (w.size() >= 2 && w[1] == "key") {
      if (w.size() != 4) return fail("expected: FRAME key NAME down|up");
      // Any key of the table: the actions' keys can be rebound to any of them.
      const TKeyInfo* key = FindKeyByName(w[2]);
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
    script.Events[frame].push_back({.Input = event, .Lobby = std::nullopt});
  }
  return true;
}

void ApplyLobbyAction(TLForm& lobby, const TLobbyAction& action) {
  if (!lobby.Visible) return;
  if (!lobby.Message.empty()) lobby.MessageClosed();
  switch (action.Kind) {
    case TLobbyAction::TKind::Chat:
      lobby.Input = Utf8ToCp1252(action.Text);
      lobby.InputKeyDown(TLForm::kVirtualKeyReturn);
      break;
    case TLobbyAction::TKind::Host:
      lobby.Button2Click();
      for (const std::string* answer : {&action.Text, &action.Players}) {
        if (!lobby.Ask.Open) break;
        lobby.Ask.Text = Utf8ToCp1252(*answer);
        lobby.AskAnswered(true);
      }
      break;
    case TLobbyAction::TKind::Join:
      lobby.Row = action.Row;
      lobby.Button1Click();
      break;
    case TLobbyAction::TKind::Refresh:
      lobby.Button3Click();
      break;
    case TLobbyAction::TKind::Exit:
      lobby.Button4Click();
      break;
  }
}

void ApplyPadEvent(TGamepads& pads, const TPadEvent& event) {
  switch (event.Kind) {
    case TPadEvent::TKind::Plug:
      pads.Plug(event.Pad);
      break;
    case TPadEvent::TKind::Unplug:
      pads.Unplug(event.Pad);
      break;
    case TPadEvent::TKind::Button:
      pads.SetButton(event.Pad, event.Button, event.Down);
      break;
    case TPadEvent::TKind::Axis:
      pads.SetAxis(event.Pad, event.Axis, event.Value);
      break;
  }
}

void ApplyRoomAction(TGmForm& room, const TRoomAction& action) {
  if (!room.Visible) return;
  switch (action.Kind) {
    case TRoomAction::TKind::Chat:
      room.Input = Utf8ToCp1252(action.Text);
      room.InputKeyDown(TGmForm::kVirtualKeyReturn);
      break;
    case TRoomAction::TKind::Ready:
      room.ReadyBoxClick();
      break;
    case TRoomAction::TKind::Launch:
      room.Button1Click();
      break;
    case TRoomAction::TKind::Leave:
      room.Button2Click();
      break;
  }
}

}  // namespace lr
