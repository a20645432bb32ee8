// TDialogWindow: a dialog's own SDL window with its own Dear ImGui context and font atlas,
// shown beside the game window, drawn only when something happened in it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

struct SDL_Window;
struct SDL_Renderer;
union SDL_Event;
struct ImGuiContext;
struct ImFont;

namespace lr {

// The dialog font's files; an empty path takes ImGui's built-in face (the display face: the
// bold one).
struct TDialogFontFiles {
  std::string Regular;
  std::string Bold;
  std::string Display;  // the menu's poster face, for the lobby's buttons
};

// The faces a dialog draws with.
struct TDialogFonts {
  ImFont* Regular = nullptr;
  ImFont* Bold = nullptr;
  ImFont* BoldLarge = nullptr;  // the dialog's main buttons
  ImFont* Display = nullptr;    // buttons in the menu's face
};

// Opens the one ImGui window that fills the whole dialog; the caller draws into it and ends
// it with ImGui::End.
void BeginDialogSurface();

class TDialogWindow {
 public:
  TDialogWindow();
  ~TDialogWindow();
  TDialogWindow(const TDialogWindow&) = delete;
  TDialogWindow& operator=(const TDialogWindow&) = delete;

  // Creates the window hidden, width × height pixels. False with a message when the window,
  // its renderer or its context could not be made. Make dialogs before the game window: SDL
  // wakes its event wait through the newest window, which must outlive every wait.
  bool Open(const std::string& caption, int width, int height, const TDialogFontFiles& files, std::string& error);
  // The window the dialog is shown beside and gives the keyboard focus back to.
  void SetOwner(SDL_Window* owner) { Owner = owner; }
  bool IsOpen() const { return Window != nullptr; }

  // Shows the window, raises it and gives it the keyboard focus.
  void Show();
  // Hides it; the owner gets the keyboard focus back when the dialog had it.
  void Hide();
  bool Shown() const;
  bool HasKeyboardFocus() const;
  uint32_t WindowId() const { return Id; }

  // An event of the program's other windows: this window's own go to its ImGui context, the
  // rest are ignored. Returns true when the frame's close button was pressed.
  bool HandleEvent(const SDL_Event& event);
  // Draws a frame through `draw` (inside the dialog surface) when an event or a show asked
  // for one, and now and then anyway so the text caret blinks. Does nothing while hidden.
  void Update(const std::function<void(const TDialogFonts&)>& draw);
  // Asks for a frame at the next Update.
  void Invalidate() { PendingFrames = kFramesAfterChange; }

 private:
  // ImGui settles hover and activation over a couple of frames after each input.
  static constexpr int kFramesAfterChange = 3;
  static constexpr uint32_t kIdleRedrawMs = 250;

  void Place();
  // Passes one event to ImGui.
  void Feed(const SDL_Event& event);

  SDL_Window* Window = nullptr;
  SDL_Renderer* Renderer = nullptr;
  SDL_Window* Owner = nullptr;
  ImGuiContext* Context = nullptr;
  TDialogFonts Fonts;
  uint32_t Id = 0;
  int Width = 0;
  int Height = 0;
  int PendingFrames = 0;
  uint32_t LastDrawMs = 0;
  bool Placed = false;
  bool VideoStarted = false;
  // The input ImGui has been given, and the events held back for the next frame.
  struct TInput;
  std::unique_ptr<TInput> Input;
};

}  // namespace lr
