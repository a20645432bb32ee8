// SDL window, streaming texture and event translation.
#include "platform/SdlWindow.h"

#include <SDL.h>

#include <algorithm>
#include <utility>

#include "platform/KeyTable.h"
#include "platform/SdlGamepads.h"

namespace lr {

TSdlWindow::~TSdlWindow() {
  if (Texture) SDL_DestroyTexture(Texture);
  if (Renderer) SDL_DestroyRenderer(Renderer);
  if (Window) SDL_DestroyWindow(Window);
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

int TSdlWindow::FittingScale(int width, int height, int desktopWidth, int desktopHeight) {
  int scale = 1;
  while (width * (scale + 1) * 10 <= desktopWidth * 8 && height * (scale + 1) * 10 <= desktopHeight * 8) ++scale;
  return scale;
}

bool TSdlWindow::Open(const std::string& caption, int width, int height, int scale, std::string& error) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = SDL_GetError();
    return false;
  }
  if (scale <= 0) {
    SDL_DisplayMode mode;
    scale = SDL_GetDesktopDisplayMode(0, &mode) == 0 ? FittingScale(width, height, mode.w, mode.h) : 1;
  }
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  Window = SDL_CreateWindow(caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width * scale,
                            height * scale, SDL_WINDOW_SHOWN);
  if (!Window) {
    error = SDL_GetError();
    return false;
  }
  Renderer = SDL_CreateRenderer(Window, -1, 0);
  if (!Renderer) {
    error = SDL_GetError();
    return false;
  }
  // A logical size with whole-factor scaling letterboxes the picture and maps the pointer
  // back to 640 × 480 for us.
  SDL_RenderSetLogicalSize(Renderer, width, height);
  SDL_RenderSetIntegerScale(Renderer, SDL_TRUE);
  CurrentCaption = caption;
  return true;
}

void TSdlWindow::Present(const uint32_t* argb, int width, int height) {
  if (!Renderer) return;
  if (!Texture || width != TextureWidth || height != TextureHeight) {
    if (Texture) SDL_DestroyTexture(Texture);
    Texture = SDL_CreateTexture(Renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    TextureWidth = width;
    TextureHeight = height;
    if (!Texture) return;
  }
  SDL_UpdateTexture(Texture, nullptr, argb, width * 4);
  SDL_SetRenderDrawColor(Renderer, 0, 0, 0, 255);
  SDL_RenderClear(Renderer);
  SDL_RenderCopy(Renderer, Texture, nullptr, nullptr);
  SDL_RenderPresent(Renderer);
}

void TSdlWindow::SetCaption(const std::string& caption) {
  if (!Window || caption == CurrentCaption) return;
  CurrentCaption = caption;
  SDL_SetWindowTitle(Window, caption.c_str());
}

void TSdlWindow::SetFullScreen(bool fullScreen) {
  if (Window) SDL_SetWindowFullscreen(Window, fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
}

bool TSdlWindow::HasKeyboardFocus() const { return Window && SDL_GetKeyboardFocus() == Window; }

void TSdlWindow::WaitEvents(int timeoutMs, std::vector<TInputEvent>& out) {
  SDL_Event event;
  if (timeoutMs > 0) {
    if (!SDL_WaitEventTimeout(&event, timeoutMs)) return;
    Translate(event, out);
  }
  while (SDL_PollEvent(&event)) Translate(event, out);
}

std::function<void()> TSdlWindow::WakeFunction() {
  // One event type of our own for the whole program; SDL_PushEvent is safe from any thread.
  static const Uint32 wakeType = SDL_RegisterEvents(1);
  if (wakeType == static_cast<Uint32>(-1)) return nullptr;  // none left: the frames poll alone
  return [] {
    SDL_Event event{};
    event.type = wakeType;
    SDL_PushEvent(&event);
  };
}

void TSdlWindow::SetOtherWindowEvents(std::function<void(const SDL_Event&)> handler) {
  OtherWindowEvents = std::move(handler);
}

uint32_t SdlEventWindowId(const SDL_Event& event) {
  switch (event.type) {
    case SDL_WINDOWEVENT: return event.window.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return event.key.windowID;
    case SDL_TEXTEDITING: return event.edit.windowID;
    case SDL_TEXTINPUT: return event.text.windowID;
    case SDL_MOUSEMOTION: return event.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return event.button.windowID;
    case SDL_MOUSEWHEEL: return event.wheel.windowID;
    default: return 0;
  }
}

void TSdlWindow::Translate(const SDL_Event& event, std::vector<TInputEvent>& out) {
  if (Gamepads && Gamepads->HandleEvent(event)) return;
  const uint32_t windowId = SdlEventWindowId(event);
  if (windowId != 0 && Window && windowId != SDL_GetWindowID(Window)) {
    if (OtherWindowEvents) OtherWindowEvents(event);
    return;
  }
  TInputEvent e;
  switch (event.type) {
    case SDL_QUIT:
      e.Kind = TInputEventKind::Close;
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const TKeyInfo* key = FindKeyBySdlScancode(event.key.keysym.scancode);
      if (!key) return;
      e.Kind = event.type == SDL_KEYDOWN ? TInputEventKind::KeyDown : TInputEventKind::KeyUp;
      e.Key = key->Dik;
      e.VirtualKey = key->VirtualKey;
      break;
    }
    case SDL_MOUSEMOTION:
      e.Kind = TInputEventKind::MouseMove;
      e.X = event.motion.x;
      e.Y = event.motion.y;
      break;
    case SDL_MOUSEBUTTONDOWN:
      // Without a window manager (a private X server) a click does not move the keyboard
      // focus between the game and its dialogs; with one, the window has it already.
      if (SDL_GetKeyboardFocus() != Window) SDL_SetWindowInputFocus(Window);
      return;
    case SDL_MOUSEBUTTONUP:
      if (event.button.button != SDL_BUTTON_LEFT) return;
      e.Kind = TInputEventKind::Click;
      e.X = event.button.x;
      e.Y = event.button.y;
      break;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED)
        e.Kind = TInputEventKind::FocusGained;
      else if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST)
        e.Kind = TInputEventKind::FocusLost;
      else if (event.window.event == SDL_WINDOWEVENT_CLOSE)
        e.Kind = TInputEventKind::Close;
      else
        return;
      break;
    default:
      return;
  }
  out.push_back(e);
}

}  // namespace lr
