// The "Game Options" dialog on screen: draws TOForm's controls with Dear ImGui in a window of
// its own and passes the player's actions to the form's handlers.
#pragma once

#include <string>

#include "settings/OptionsForm.h"
#include "ui/DialogWindow.h"

namespace lr {

// Draws every control of the form at its place and runs the handlers of what the player did
// this frame. Call between a dialog window's Begin and End (TDialogWindow::Update does).
void DrawOptionsForm(TOForm& form, const TDialogFonts& fonts);

// The dialog's window, kept in step with the form: shown while the form is visible.
class TOptionsWindow {
 public:
  static constexpr const char* kCaption = "Game Options";
  static constexpr int kWidth = 415;
  // Taller than the classic 488: the "Played by" choices sit below the online options, and
  // the "Controls..." button below them.
  static constexpr int kHeight = 582;

  // `window`: opened with the caption and size above.
  TOptionsWindow(TOForm& form, TDialogWindow& window) : Form(form), Window(window) {}
  // The menu's "Options": the form shows what its controls last held; the window comes up
  // (or to the front) with the keyboard focus.
  void Show();
  // An event of the dialog's window; its close button closes the form by the frame.
  void HandleEvent(const SDL_Event& event);
  // Hides or shows the window as the form says and draws it when needed.
  void Update();
  bool HasKeyboardFocus() const { return Window.HasKeyboardFocus(); }
  bool Shown() const { return Window.Shown(); }
  uint32_t WindowId() const { return Window.WindowId(); }

 private:
  TOForm& Form;
  TDialogWindow& Window;
};

}  // namespace lr
