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

}  // namespace lr
