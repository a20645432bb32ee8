// The "Game Lobby" window on screen: draws TGmForm's controls with Dear ImGui in a window of
// its own (the chat memo, the player list with its stars, the one-line input, the ready box
// and the two bold buttons) and passes the player's actions to the form's handlers.
#pragma once

#include <cstdint>

#include "online/GameRoom.h"
#include "ui/DialogWindow.h"

union SDL_Event;

namespace lr {

// What the view keeps between frames: the chat lines it has scrolled to.
struct TRoomViewState {
  uint64_t ChatLinesSeen = 0;
};

// Draws every control of the form at its place and runs the handlers of what the player did
// this frame. Call between a dialog window's Begin and End (TDialogWindow::Update does).
void DrawRoomForm(TGmForm& form, const TDialogFonts& fonts, TRoomViewState& state);

// The room's window, kept in step with the form: shown while the form is visible.
class TRoomWindow {
 public:
  static constexpr const char* kCaption = TGmForm::kCaption;
  static constexpr int kWidth = 420;
  static constexpr int kHeight = 330;

  // `window`: opened with the caption and size above.
  TRoomWindow(TGmForm& form, TDialogWindow& window) : Form(form), Window(window) {}
  // An event of the room's window; its frame's close button leaves the room.
  void HandleEvent(const SDL_Event& event);
  // Hides or shows the window as the form says and draws it when something changed.
  void Update();
  bool HasKeyboardFocus() const { return Window.HasKeyboardFocus(); }
  bool Shown() const { return Window.Shown(); }

 private:
  TGmForm& Form;
  TDialogWindow& Window;
  TRoomViewState State;
  uint64_t DrawnRevision = 0;
};

}  // namespace lr
