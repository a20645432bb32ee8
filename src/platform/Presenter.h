// Where finished frames go: the game window, or nowhere in a headless run; and the few other
// things the screen asks of the window (mode switch, cursor, beep, error boxes).
#pragma once

#include <cstdint>
#include <string>

namespace lr {

class IPresenter {
 public:
  virtual ~IPresenter() = default;
  // Shows a width × height ARGB frame.
  virtual void Present(const uint32_t* argb, int width, int height) = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  // Windowed or the desktop's own full-screen mode (the picture letterboxed, no mode switch).
  virtual void SetFullScreen(bool /*fullScreen*/) {}
  virtual void ShowCursor(bool /*show*/) {}
  virtual void Beep() {}
};

// How start-up failures reach the player: a message box in a window, stderr without one.
class IErrorReporter {
 public:
  virtual ~IErrorReporter() = default;
  virtual void ShowError(const std::string& title, const std::string& text) = 0;
};

}  // namespace lr
