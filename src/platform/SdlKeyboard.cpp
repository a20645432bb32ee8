// Reading SDL's keyboard state in scan-code numbering.
#include <SDL.h>

#include "platform/KeyTable.h"
#include "platform/KeyboardDevice.h"
#include "platform/SdlWindow.h"

namespace lr {

bool TSdlKeyboard::ReadState(TKeyboardState& state) {
  int count = 0;
  const Uint8* sdl = SDL_GetKeyboardState(&count);
  state.fill(0);
  if (!sdl) return false;
  for (const TKeyInfo& key : KeyTable())
    if (key.SdlScancode < count && sdl[key.SdlScancode]) state[static_cast<size_t>(key.Dik)] = 0x80;
  return true;
}

bool TSdlKeyboard::HasFocus() const { return Window.HasKeyboardFocus(); }

}  // namespace lr
