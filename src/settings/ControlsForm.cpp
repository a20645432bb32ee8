// The Controls window's handlers: waiting for a key or a pad button, refusing one that another
// action has, "Defaults" and "Apply".
#include "settings/ControlsForm.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "settings/IniFile.h"

namespace lr {

namespace {
constexpr Integer kEscapeKey = 1;
constexpr const char* kPressLine = "Press a key or a pad button for ";
}  // namespace

TControlsForm::TControlsForm(TGameSettings& settings, std::string iniPath)
    : Shown(settings.Controls), Settings(settings), IniPath(std::move(iniPath)) {}

std::string TControlsForm::LoadControls() {
  TIniFile ini;
  std::string error;
  // A file that cannot be read at all has been reported by the options' reading of it.
  if (!ini.Load(IniPath, error)) return "";
  TControls read;
  const std::string problem = ReadControls(ini, read);
  Settings.Controls = read;
  Shown = read;
  return problem.empty() ? "" : IniPath + ": " + problem;
}

void TControlsForm::RowClick(int action) {
  if (action < 0 || action >= static_cast<int>(kControlActionCount)) return;
  Waiting = action;
  Message = std::string(kPressLine) + std::string(kControlActions[static_cast<size_t>(action)].Caption) +
            " (Escape cancels)";
}

void TControlsForm::KeyPressed(Integer key) {
  if (Waiting < 0) return;
  const size_t action = static_cast<size_t>(Waiting);
  if (key == kEscapeKey) {
    Waiting = -1;
    Message.clear();
    return;
  }
  if (const int owner = Shown.KeyOwner(key, action); owner >= 0) {
    // The row keeps waiting: the player may press another key.
    Message =
        KeyCaption(key) + " is already bound to " + std::string(kControlActions[static_cast<size_t>(owner)].Caption);
    return;
  }
  Shown.Keys[action] = key;
  Waiting = -1;
  Message.clear();
}

void TControlsForm::PadPressed(TPadButton button) {
  if (Waiting < 0) return;
  const size_t action = static_cast<size_t>(Waiting);
  if (const int owner = Shown.PadOwner(button, action); owner >= 0) {
    Message = std::string(kPadButtonNames[static_cast<size_t>(button)].Caption) + " is already bound to " +
              std::string(kControlActions[static_cast<size_t>(owner)].Caption);
    return;
  }
  // A button pressed for an action replaces its buttons; the left stick always walks.
  Shown.PadButtons[action] = PadBit(button);
  Waiting = -1;
  Message.clear();
}

void TControlsForm::DefaultsClick() {
  Shown = TControls{};
  Waiting = -1;
  Message.clear();
}

bool TControlsForm::ApplyClick() {
  Waiting = -1;
  // What else the file holds is kept: read it first. A file we could not read is not
  // replaced, so nothing of it is lost.
  TIniFile ini;
  std::string error;
  if (!ini.Load(IniPath, error)) {
    if (ShowError) ShowError(error);
    return false;
  }
  WriteControls(ini, Shown);
  if (MakeFolder) {
    std::error_code ec;
    if (const auto folder = std::filesystem::path(IniPath).parent_path(); !folder.empty())
      std::filesystem::create_directories(folder, ec);
  }
  if (!ini.Save(IniPath).empty()) {
    if (ShowError) ShowError("Cannot create file " + IniPath);
    return false;
  }
  Settings.Controls = Shown;
  Message.clear();
  Visible = false;
  return true;
}

void TControlsForm::Show() {
  Shown = Settings.Controls;
  Waiting = -1;
  Message.clear();
  Visible = true;
}

void TControlsForm::CloseByFrame() {
  Waiting = -1;
  Visible = false;
}

}  // namespace lr
