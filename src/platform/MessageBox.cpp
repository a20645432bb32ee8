// A simple SDL message box; where none can be shown (no display), stderr is all there is.
#include "platform/MessageBox.h"

#include <SDL.h>

#include <iostream>

namespace lr {

void TMessageBoxReporter::ShowError(const std::string& title, const std::string& text) {
  std::cerr << title << ": " << text << "\n";
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title.c_str(), text.c_str(), nullptr);
}

}  // namespace lr
