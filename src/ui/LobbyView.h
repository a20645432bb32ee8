// The "Lava Lobby" window on screen: draws TLForm's controls with Dear ImGui in a window of
// its own, with the hosting questions and the message box as modal boxes inside it, and
// passes the player's actions to the form's handlers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "online/LobbyForm.h"
#include "ui/ClassicControls.h"
#include "ui/DialogWindow.h"

union SDL_Event;

namespace lr {

// What the view keeps between frames: the chat lines it has scrolled to.
struct TLobbyViewState {
  uint64_t ChatLinesSeen = 0;
};

// Draws every control of the form at its place and runs the handlers of what the player did
// this frame. Call between a dialog window's Begin and End (TDialogWindow::Update does).
void DrawLobbyForm(TLForm& form, const TDialogFonts& fonts, TLobbyViewState& state);

// The lobby's window, kept in step with the form: shown while the form is visible.
class TLobbyWindow {
 public:
  static constexpr const char* kCaption = TLForm::kCaption;
  static constexpr int kWidth = 497;
  static constexpr int kHeight = 507;

  // `window`: opened with the caption and size above.
  TLobbyWindow(TLForm& form, TDialogWindow& window) : Form(form), Window(window) {}
  // The window comes up (or to the front) with the keyboard focus.
  void Raise() { Window.Show(); }
  // An event of the lobby's window. Its frame's close button does nothing: "Exit" closes the
  // lobby. Becoming the active window is the form's activation.
  void HandleEvent(const SDL_Event& event);
  // Hides or shows the window as the form says and draws it when something changed.
  void Update();
  bool HasKeyboardFocus() const { return Window.HasKeyboardFocus(); }
  bool Shown() const { return Window.Shown(); }

 private:
  TLForm& Form;
  TDialogWindow& Window;
  TLobbyViewState State;
  uint64_t DrawnRevision = 0;
};

}  // namespace lr
