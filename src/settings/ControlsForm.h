// TControlsForm: the "Controls" window's rows and handlers, without any window. Each row is one
// action with its key and pad buttons; clicking a row waits for a key or a pad button to bind
// to it. The view in ui/ draws these fields and calls these handlers; the tests drive them.
#pragma once

#include <functional>
#include <string>

#include "engine/Types.h"
#include "settings/Controls.h"
#include "settings/GameSettings.h"

namespace lr {

class TControlsForm {
 public:
  // `iniPath`: lavarumble.ini, where the controls are kept.
  TControlsForm(TGameSettings& settings, std::string iniPath);

  // [SECTION] What the window shows: the controls being edited, in effect from "Apply" on.
  TControls Shown;
  // The row waiting for a key or a pad button, or -1.
  int Waiting = -1;
  // The line under the rows: what was refused, or what to press.
  std::string Message;
  bool Visible = false;  // created hidden

  // The application's error box; the window stays open after it.
  std::function<void(const std::string& text)> ShowError;

  // [SECTION] Handlers.
  // Reads lavarumble.ini at program start into the settings and the rows; returns the first
  // problem for one line on stderr (empty when the file or its entries were missing or whole).
  std::string LoadControls();
  // A click on an action's row: its next key or pad button binds to it.
  void RowClick(int action);
  // A key pressed while the window has the focus (scan code). Escape stops waiting.
  void KeyPressed(Integer key);
  // A pad button pressed while the window is shown.
  void PadPressed(TPadButton button);
  void DefaultsClick();  // "Defaults": the game's table into the rows only
  // "Apply": the rows into the game and lavarumble.ini, then close; false when the file could
  // not be written (the error has been shown; the window stays open).
  bool ApplyClick();
  void Show();          // the options dialog's "Controls...": the rows show what is in effect
  void CloseByFrame();  // closing by the frame drops the edits

  // Saving makes lavarumble.ini's folder when it is missing, as the options dialog does.
  bool MakeFolder = false;

 private:
  TGameSettings& Settings;
  std::string IniPath;
};

}  // namespace lr
