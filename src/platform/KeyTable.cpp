// The key table: one row per key, the single source for every key translation.
#include "platform/KeyTable.h"

#include <SDL_keyboard.h>
#include <SDL_scancode.h>

#include <array>
#include <string>

namespace lr {

namespace {

constexpr std::array kKeys = {
    // Name, DirectInput, virtual key, SDL
    TKeyInfo{"Escape", 1, 27, SDL_SCANCODE_ESCAPE},
    TKeyInfo{"1", 2, '1', SDL_SCANCODE_1},
    TKeyInfo{"2", 3, '2', SDL_SCANCODE_2},
    TKeyInfo{"3", 4, '3', SDL_SCANCODE_3},
    TKeyInfo{"4", 5, '4', SDL_SCANCODE_4},
    TKeyInfo{"5", 6, '5', SDL_SCANCODE_5},
    TKeyInfo{"6", 7, '6', SDL_SCANCODE_6},
    TKeyInfo{"7", 8, '7', SDL_SCANCODE_7},
    TKeyInfo{"8", 9, '8', SDL_SCANCODE_8},
    TKeyInfo{"9", 10, '9', SDL_SCANCODE_9},
    TKeyInfo{"0", 11, '0', SDL_SCANCODE_0},
    TKeyInfo{"Minus", 12, 189, SDL_SCANCODE_MINUS},
    TKeyInfo{"Equals", 13, 187, SDL_SCANCODE_EQUALS},
    TKeyInfo{"Backspace", 14, 8, SDL_SCANCODE_BACKSPACE},
    TKeyInfo{"Tab", 15, 9, SDL_SCANCODE_TAB},
    TKeyInfo{"Q", 16, 'Q', SDL_SCANCODE_Q},
    TKeyInfo{"W", 17, 'W', SDL_SCANCODE_W},
    TKeyInfo{"E", 18, 'E', SDL_SCANCODE_E},
    TKeyInfo{"R", 19, 'R', SDL_SCANCODE_R},
    TKeyInfo{"T", 20, 'T', SDL_SCANCODE_T},
    TKeyInfo{"Y", 21, 'Y', SDL_SCANCODE_Y},
    TKeyInfo{"U", 22, 'U', SDL_SCANCODE_U},
    TKeyInfo{"I", 23, 'I', SDL_SCANCODE_I},
    TKeyInfo{"O", 24, 'O', SDL_SCANCODE_O},
    TKeyInfo{"P", 25, 'P', SDL_SCANCODE_P},
    TKeyInfo{"LeftBracket", 26, 219, SDL_SCANCODE_LEFTBRACKET},
    TKeyInfo{"RightBracket", 27, 221, SDL_SCANCODE_RIGHTBRACKET},
    TKeyInfo{"Return", 28, 13, SDL_SCANCODE_RETURN},
    TKeyInfo{"LeftControl", 29, 17, SDL_SCANCODE_LCTRL},
    TKeyInfo{"A", 30, 'A', SDL_SCANCODE_A},
    TKeyInfo{"S", 31, 'S', SDL_SCANCODE_S},
    TKeyInfo{"D", 32, 'D', SDL_SCANCODE_D},
    TKeyInfo{"F", 33, 'F', SDL_SCANCODE_F},
    TKeyInfo{"G", 34, 'G', SDL_SCANCODE_G},
    TKeyInfo{"H", 35, 'H', SDL_SCANCODE_H},
    TKeyInfo{"J", 36, 'J', SDL_SCANCODE_J},
    TKeyInfo{"K", 37, 'K', SDL_SCANCODE_K},
    TKeyInfo{"L", 38, 'L', SDL_SCANCODE_L},
    TKeyInfo{"Semicolon", 39, 186, SDL_SCANCODE_SEMICOLON},
    TKeyInfo{"Apostrophe", 40, 222, SDL_SCANCODE_APOSTROPHE},
    TKeyInfo{"Grave", 41, 192, SDL_SCANCODE_GRAVE},
    TKeyInfo{"LeftShift", 42, 16, SDL_SCANCODE_LSHIFT},
    TKeyInfo{"Backslash", 43, 220, SDL_SCANCODE_BACKSLASH},
    TKeyInfo{"Z", 44, 'Z', SDL_SCANCODE_Z},
    TKeyInfo{"X", 45, 'X', SDL_SCANCODE_X},
    TKeyInfo{"C", 46, 'C', SDL_SCANCODE_C},
    TKeyInfo{"V", 47, 'V', SDL_SCANCODE_V},
    TKeyInfo{"B", 48, 'B', SDL_SCANCODE_B},
    TKeyInfo{"N", 49, 'N', SDL_SCANCODE_N},
    TKeyInfo{"M", 50, 'M', SDL_SCANCODE_M},
    TKeyInfo{"Comma", 51, 188, SDL_SCANCODE_COMMA},
    TKeyInfo{"Period", 52, 190, SDL_SCANCODE_PERIOD},
    TKeyInfo{"Slash", 53, 191, SDL_SCANCODE_SLASH},
    TKeyInfo{"RightShift", 54, 16, SDL_SCANCODE_RSHIFT},
    TKeyInfo{"NumpadMultiply", 55, 106, SDL_SCANCODE_KP_MULTIPLY},
    TKeyInfo{"LeftAlt", 56, 18, SDL_SCANCODE_LALT},
    TKeyInfo{"Space", 57, 32, SDL_SCANCODE_SPACE},
    TKeyInfo{"CapsLock", 58, 20, SDL_SCANCODE_CAPSLOCK},
    TKeyInfo{"F1", 59, 112, SDL_SCANCODE_F1},
    TKeyInfo{"F2", 60, 113, SDL_SCANCODE_F2},
    TKeyInfo{"F3", 61, 114, SDL_SCANCODE_F3},
    TKeyInfo{"F4", 62, 115, SDL_SCANCODE_F4},
    TKeyInfo{"F5", 63, 116, SDL_SCANCODE_F5},
    TKeyInfo{"F6", 64, 117, SDL_SCANCODE_F6},
    TKeyInfo{"F7", 65, 118, SDL_SCANCODE_F7},
    TKeyInfo{"F8", 66, 119, SDL_SCANCODE_F8},
    TKeyInfo{"F9", 67, 120, SDL_SCANCODE_F9},
    TKeyInfo{"F10", 68, 121, SDL_SCANCODE_F10},
    TKeyInfo{"NumLock", 69, 144, SDL_SCANCODE_NUMLOCKCLEAR},
    TKeyInfo{"ScrollLock", 70, 145, SDL_SCANCODE_SCROLLLOCK},
    TKeyInfo{"Numpad7", 71, 103, SDL_SCANCODE_KP_7},
    TKeyInfo{"Numpad8", 72, 104, SDL_SCANCODE_KP_8},
    TKeyInfo{"Numpad9", 73, 105, SDL_SCANCODE_KP_9},
    TKeyInfo{"NumpadMinus", 74, 109, SDL_SCANCODE_KP_MINUS},
    TKeyInfo{"Numpad4", 75, 100, SDL_SCANCODE_KP_4},
    TKeyInfo{"Numpad5", 76, 101, SDL_SCANCODE_KP_5},
    TKeyInfo{"Numpad6", 77, 102, SDL_SCANCODE_KP_6},
    TKeyInfo{"NumpadPlus", 78, 107, SDL_SCANCODE_KP_PLUS},
    TKeyInfo{"Numpad1", 79, 97, SDL_SCANCODE_KP_1},
    TKeyInfo{"Numpad2", 80, 98, SDL_SCANCODE_KP_2},
    TKeyInfo{"Numpad3", 81, 99, SDL_SCANCODE_KP_3},
    TKeyInfo{"Numpad0", 82, 96, SDL_SCANCODE_KP_0},
    TKeyInfo{"NumpadPeriod", 83, 110, SDL_SCANCODE_KP_PERIOD},
    TKeyInfo{"OEM102", 86, 226, SDL_SCANCODE_NONUSBACKSLASH},
    TKeyInfo{"F11", 87, 122, SDL_SCANCODE_F11},
    TKeyInfo{"F12", 88, 123, SDL_SCANCODE_F12},
    TKeyInfo{"NumpadEnter", 156, 13, SDL_SCANCODE_KP_ENTER},
    TKeyInfo{"RightControl", 157, 17, SDL_SCANCODE_RCTRL},
    TKeyInfo{"NumpadDivide", 181, 111, SDL_SCANCODE_KP_DIVIDE},
    TKeyInfo{"PrintScreen", 183, 44, SDL_SCANCODE_PRINTSCREEN},
    TKeyInfo{"RightAlt", 184, 18, SDL_SCANCODE_RALT},
    TKeyInfo{"Pause", 197, 19, SDL_SCANCODE_PAUSE},
    TKeyInfo{"Home", 199, 36, SDL_SCANCODE_HOME},
    TKeyInfo{"Up", 200, 38, SDL_SCANCODE_UP},
    TKeyInfo{"PageUp", 201, 33, SDL_SCANCODE_PAGEUP},
    TKeyInfo{"Left", 203, 37, SDL_SCANCODE_LEFT},
    TKeyInfo{"Right", 205, 39, SDL_SCANCODE_RIGHT},
    TKeyInfo{"End", 207, 35, SDL_SCANCODE_END},
    TKeyInfo{"Down", 208, 40, SDL_SCANCODE_DOWN},
    TKeyInfo{"PageDown", 209, 34, SDL_SCANCODE_PAGEDOWN},
    TKeyInfo{"Insert", 210, 45, SDL_SCANCODE_INSERT},
    TKeyInfo{"Delete", 211, 46, SDL_SCANCODE_DELETE},
    TKeyInfo{"LeftWindows", 219, 91, SDL_SCANCODE_LGUI},
    TKeyInfo{"RightWindows", 220, 92, SDL_SCANCODE_RGUI},
    TKeyInfo{"Menu", 221, 93, SDL_SCANCODE_APPLICATION},
};

}  // namespace

std::span<const TKeyInfo> KeyTable() { return kKeys; }

const TKeyInfo* FindKeyByName(std::string_view name) {
  for (const TKeyInfo& key : kKeys)
    if (key.Name == name) return &key;
  return nullptr;
}

const TKeyInfo* FindKeyBySdlScancode(int32_t scancode) {
  for (const TKeyInfo& key : kKeys)
    if (key.SdlScancode == scancode) return &key;
  return nullptr;
}

const TKeyInfo* FindKeyByDik(int32_t dik) {
  for (const TKeyInfo& key : kKeys)
    if (key.Dik == dik) return &key;
  return nullptr;
}

// SDL's own table of names, which needs no SDL_Init; a key SDL leaves unnamed goes by ours.
std::string_view SdlKeyName(const TKeyInfo& key) {
  const std::string_view name = SDL_GetScancodeName(static_cast<SDL_Scancode>(key.SdlScancode));
  return name.empty() ? key.Name : name;
}

const TKeyInfo* FindKeyBySdlName(std::string_view name) {
  if (name.empty()) return nullptr;
  const SDL_Scancode scancode = SDL_GetScancodeFromName(std::string(name).c_str());
  if (const TKeyInfo* key = scancode == SDL_SCANCODE_UNKNOWN ? nullptr : FindKeyBySdlScancode(scancode)) return key;
  return FindKeyByName(name);
}

}  // namespace lr
