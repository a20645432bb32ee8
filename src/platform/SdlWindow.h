// The game window: a 640 × 480 picture scaled by a whole factor (letterboxed in full
// screen), its caption, and the window's events turned into the game's input events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/InputEvent.h"
#include "platform/Presenter.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace lr {

class TSdlGamepads;

// The window an event belongs to; 0 for events of the whole program (quitting, say).
uint32_t SdlEventWindowId(const SDL_Event& event);

class TSdlWindow final : public IPresenter {
 public:
  TSdlWindow() = default;
  ~TSdlWindow() override;
  TSdlWindow(const TSdlWindow&) = delete;
  TSdlWindow& operator=(const TSdlWindow&) = delete;

  // Opens the window at width × height × scale; scale 0 picks the largest whole factor whose
  // window fits in about 80% of the desktop. Returns false with a message on failure.
  bool Open(const std::string& caption, int width, int height, int scale, std::string& error);
  void Present(const uint32_t* argb, int width, int height) override;
  void SetCaption(const std::string& caption) override;
  void SetFullScreen(bool fullScreen) override;
  bool HasKeyboardFocus() const;

  // Events of the program's other windows (the dialogs) go here instead of into the game.
  void SetOtherWindowEvents(std::function<void(const SDL_Event&)> handler);
  // The pads' events (they belong to no window) go here.
  void SetGamepads(TSdlGamepads* pads) { Gamepads = pads; }
  SDL_Window* Handle() const { return Window; }

  // Waits up to timeoutMs for the first event, then takes every pending one.
  void WaitEvents(int timeoutMs, std::vector<TInputEvent>& out);
  // A function that any thread may call to end the current or next WaitEvents early (the
  // socket layer calls it when data arrives). The window must be open.
  std::function<void()> WakeFunction();

  // The whole factor that fits 640 × 480 in about 80% of a desktop of this size.
  static int FittingScale(int width, int height, int desktopWidth, int desktopHeight);

 private:
  void Translate(const SDL_Event& event, std::vector<TInputEvent>& out);

  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  SDL_Texture* Texture = nullptr;
  int TextureWidth = 0;
  int TextureHeight = 0;
  std::string CurrentCaption;
  std::function<void(const SDL_Event&)> OtherWindowEvents;
  TSdlGamepads* Gamepads = nullptr;
};

}  // namespace lr
