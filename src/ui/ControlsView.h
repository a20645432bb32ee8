// The "Controls" window on screen: draws TControlsForm's rows with Dear ImGui in a window of its
// own, turns the keys pressed in it and the pads' buttons into the form's handlers.
#pragma once

#include <cstdint>

#include "platform/Gamepad.h"
#include "settings/ControlsForm.h"
#include "ui/DialogWindow.h"

union SDL_Event;

namespace lr {

// Draws every row and button at its place and runs the handlers of what the player clicked this
// frame. `pads`: which pad places have a pad (nullptr: none shown as plugged in).
void DrawControlsForm(TControlsForm& form, const TGamepads* pads, const TDialogFonts& fonts);

class TControlsWindow {
 public:
  static constexpr const char* kCaption = "Controls";
  static constexpr int kWidth = 430;
  static constexpr int kHeight = 470;

  // `window`: opened with the caption and size above.
  TControlsWindow(TControlsForm& form, TDialogWindow& window, TGamepads* pads)
      : Form(form), Window(window), Pads(pads) {}
  // The options dialog's "Controls...": the rows show what is in effect; the window comes up
  // with the keyboard focus.
  void Show();
  // An event of the window: while a row waits, a key goes to the row instead of the window;
  // the close button closes the form by the frame.
  void HandleEvent(const SDL_Event& event);
  // Passes the pads' pressed buttons to a waiting row, hides or shows the window as the form
  // says and draws it when needed.
  void Update();
  bool HasKeyboardFocus() const { return Window.HasKeyboardFocus(); }

 private:
  TControlsForm& Form;
  TDialogWindow& Window;
  TGamepads* Pads;
  uint8_t PluggedDrawn = 0;
};

}  // namespace lr
