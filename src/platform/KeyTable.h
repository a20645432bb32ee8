// The keys of a standard 105-key keyboard under three numberings: the scan codes the game's
// key assignments store (DirectInput numbering), the window's virtual-key codes that key-down
// events carry, and SDL's scancodes.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace lr {

struct TKeyInfo {
  std::string_view Name;  // as scripts name it: "Up", "Return", "A", "F1", ...
  int32_t Dik;            // DirectInput scan code
  int32_t VirtualKey;     // window virtual-key code
  int32_t SdlScancode;    // SDL_Scancode value
};

std::span<const TKeyInfo> KeyTable();
const TKeyInfo* FindKeyByName(std::string_view name);
const TKeyInfo* FindKeyBySdlScancode(int32_t scancode);
const TKeyInfo* FindKeyByDik(int32_t dik);
// SDL's name of the key ("Up", "Return", "Left Alt", "Keypad 8"), as lavarumble.ini stores
// it, and the key of such a name in any letter case; nullptr for a name no key of the table has.
std::string_view SdlKeyName(const TKeyInfo& key);
const TKeyInfo* FindKeyBySdlName(std::string_view name);

}  // namespace lr
