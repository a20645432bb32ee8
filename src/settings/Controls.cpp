// The controls' defaults, their conflicts, the pads' slot bits and their lavarumble.ini form.
#include "settings/Controls.h"

#include <sstream>

#include "platform/KeyTable.h"
#include "settings/IniFile.h"

namespace lr {

TControls::TControls() {
  for (size_t i = 0; i < kControlActionCount; ++i) {
    Keys[i] = kControlActions[i].DefaultKey;
    PadButtons[i] = kControlActions[i].DefaultPad;
  }
}

int TControls::KeyOwner(Integer key, size_t action) const {
  for (size_t i = 0; i < kControlActionCount; ++i)
    if (i != action && Keys[i] == key) return static_cast<int>(i);
  return -1;
}

int TControls::PadOwner(TPadButton button, size_t action) const {
  const int player = PlayerOfAction(action);
  for (size_t i = 0; i < kControlActionCount; ++i) {
    // One pad plays one player: player 1's and player 2's buttons never meet on it.
    const int other = PlayerOfAction(i);
    if (i == action || (player != 0 && other != 0 && other != player)) continue;
    if (PadButtons[i] & PadBit(button)) return static_cast<int>(i);
  }
  return -1;
}

// [SECTION] Pads as slot bits.

namespace {
// Which way the left stick points, beyond the dead zone: up, down, left, right (the order of
// each player's actions). A screen's y grows downwards, and so does the stick's.
std::array<bool, 4> StickDirections(const TPadState& pad) {
  const int x = pad.Axis(TPadAxis::LeftX), y = pad.Axis(TPadAxis::LeftY);
  return {y < -kStickDeadZone, y > kStickDeadZone, x < -kStickDeadZone, x > kStickDeadZone};
}
}  // namespace

TSlotSet PadSlots(const TControls& controls, const TGamepads& pads, bool online) {
  TSlotSet slots = 0;
  for (int place = 0; place < kMaxPads; ++place) {
    const TPadState& pad = pads.State(place);
    const int setPlayer = controls.PadPlayer[static_cast<size_t>(place)];
    if (!pad.Plugged || setPlayer == 0) continue;
    // Online there is one local player: every pad in use steers it.
    const size_t first = online || setPlayer == 1 ? 0 : 5;
    const std::array<bool, 4> stick = StickDirections(pad);
    for (size_t k = 0; k < 5; ++k) {
      const size_t action = first + k;
      if ((pad.Buttons & controls.PadButtons[action]) || (k < 4 && stick[k])) slots |= TSlotSet{1} << action;
    }
    if (pad.Buttons & controls.PadButtons[kReadyAction]) slots |= TSlotSet{1} << kReadyAction;
  }
  return slots;
}

// [SECTION] Words.

std::string PadButtonsText(TPadButtons buttons) {
  std::string text;
  for (const TPadButtonName& name : kPadButtonNames) {
    if (!(buttons & PadBit(name.Button))) continue;
    if (!text.empty()) text += ' ';
    text += name.Word;
  }
  return text.empty() ? "none" : text;
}

bool ParsePadButtons(std::string_view text, TPadButtons& buttons) {
  std::istringstream words{std::string(text)};
  TPadButtons read = 0;
  bool any = false;
  for (std::string word; words >> word; any = true) {
    if (word == "none") continue;
    const std::optional<TPadButton> button = PadButtonFromWord(word);
    if (!button) return false;
    read |= PadBit(*button);
  }
  if (!any) return false;
  buttons = read;
  return true;
}

std::string KeyCaption(Integer key) {
  const TKeyInfo* info = FindKeyByDik(key);
  return info ? std::string(SdlKeyName(*info)) : "(none)";
}

std::string PadCaption(TPadButtons buttons) {
  std::string text;
  for (const TPadButtonName& name : kPadButtonNames) {
    if (!(buttons & PadBit(name.Button))) continue;
    if (!text.empty()) text += ", ";
    text += name.Caption;
  }
  return text.empty() ? "(none)" : text;
}

// [SECTION] lavarumble.ini.

namespace {
constexpr const char* kKeysSection = "Keys";
constexpr const char* kPadsSection = "Pads";
constexpr std::array<const char*, kMaxPads> kPadPlaceKeys = {"Pad1", "Pad2", "Pad3", "Pad4"};
constexpr std::array<const char*, 3> kPadPlayerWords = {"Nobody", "Player1", "Player2"};
}  // namespace

std::string ReadControls(const TIniFile& ini, TControls& controls) {
  const TControls defaults;
  std::string problem;
  auto note = [&](const std::string& what) {
    if (problem.empty()) problem = what;
  };
  for (size_t i = 0; i < kControlActionCount; ++i) {
    const std::string key(kControlActions[i].IniKey);
    const std::string name = ini.Get(kKeysSection, key, "");
    if (name.empty()) {
      controls.Keys[i] = defaults.Keys[i];
      continue;
    }
    const TKeyInfo* info = FindKeyBySdlName(name);
    // Escape goes back to the title screen whatever is bound: it cannot do an action too.
    if (!info || info->Dik == FindKeyByName("Escape")->Dik) {
      note(std::string("[Keys] ") + key + " '" + name + "' is no key the game knows; the default is in effect");
      controls.Keys[i] = defaults.Keys[i];
      continue;
    }
    controls.Keys[i] = info->Dik;
  }
  for (size_t i = 0; i < kControlActionCount; ++i) {
    if (controls.KeyOwner(controls.Keys[i], i) < 0) continue;
    note("[Keys] one key for two actions ('" + KeyCaption(controls.Keys[i]) + "'); the default keys are in effect");
    controls.Keys = defaults.Keys;
    break;
  }

  for (size_t i = 0; i < kControlActionCount; ++i) {
    const std::string key(kControlActions[i].IniKey);
    const std::string text = ini.Get(kPadsSection, key, "");
    controls.PadButtons[i] = defaults.PadButtons[i];
    if (!text.empty() && !ParsePadButtons(text, controls.PadButtons[i]))
      note(std::string("[Pads] ") + key + " '" + text + "' names no pad button; the default is in effect");
  }
  for (size_t i = 0; i < kControlActionCount; ++i) {
    bool shared = false;
    for (const TPadButtonName& name : kPadButtonNames)
      shared = shared || ((controls.PadButtons[i] & PadBit(name.Button)) && controls.PadOwner(name.Button, i) >= 0);
    if (!shared) continue;
    note("[Pads] one pad button for two actions of a player; the default pad buttons are in effect");
    controls.PadButtons = defaults.PadButtons;
    break;
  }

  for (size_t place = 0; place < kMaxPads; ++place) {
    const std::string word = ini.Get(kPadsSection, kPadPlaceKeys[place], "");
    controls.PadPlayer[place] = defaults.PadPlayer[place];
    if (word.empty()) continue;
    bool known = false;
    for (size_t player = 0; player < kPadPlayerWords.size(); ++player) {
      if (word != kPadPlayerWords[player]) continue;
      controls.PadPlayer[place] = static_cast<uint8_t>(player);
      known = true;
    }
    if (!known)
      note(std::string("[Pads] ") + kPadPlaceKeys[place] + " '" + word +
           "' is not Player1, Player2 or Nobody; the default is in effect");
  }
  return problem;
}

void WriteControls(TIniFile& ini, const TControls& controls) {
  for (size_t i = 0; i < kControlActionCount; ++i) {
    const std::string key(kControlActions[i].IniKey);
    ini.Set(kKeysSection, key, KeyCaption(controls.Keys[i]));
    ini.Set(kPadsSection, key, PadButtonsText(controls.PadButtons[i]));
  }
  for (size_t place = 0; place < kMaxPads; ++place)
    ini.Set(kPadsSection, kPadPlaceKeys[place], kPadPlayerWords[controls.PadPlayer[place] % kPadPlayerWords.size()]);
}

}  // namespace lr
