// TOForm: the "Game Options" dialog's controls and handlers, without any window. The view in
// ui/ draws these fields and calls these handlers; the tests drive them directly.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "engine/OmegaSprite.h"
#include "engine/Types.h"
#include "settings/GameSettings.h"
#include "settings/SettingsTable.h"

namespace lr {

// A spin edit: its text is what the player typed. Text that is not a whole number counts as
// the minimum; a number outside the range is pulled in when the field is left.
struct TSpinEdit {
  Integer MinValue = 0;
  Integer MaxValue = 0;
  std::string Text;

  Integer Value() const;
  void SetValue(Integer value);  // clamped into the range, shown as text
  void Exit();                   // leaving the field: an out-of-range value is pulled in
  void Up();                     // the arrow buttons: one step, never past the range
  void Down();
};

// A track bar of 64..255 with a tick every 8. Setting a position clamps it; only a position
// that actually changes runs OnChange.
struct TTrackBar {
  static constexpr Integer MinValue = 64;
  static constexpr Integer MaxValue = 255;
  static constexpr Integer Frequency = 8;
  Integer Position = 128;
  std::function<void()> OnChange;

  void SetPosition(Integer value);
};

struct TRgb {
  Byte R = 0, G = 0, B = 0;
  bool operator==(const TRgb&) const = default;
};

// A name edit of at most 15 characters whose text colour previews the player's colour. Its
// text is 8-bit (Windows-1252), one byte per character, as the file stores it; the view
// turns it into UTF-8 and back.
struct TNameEdit {
  static constexpr size_t MaxLength = 15;
  std::string Text;
  TRgb FontColor;
};

// The two attributes of a local player the dialog reads and writes in place.
struct TPlayerLink {
  std::string* Name = nullptr;  // 8-bit text
  TSprite* Sprite = nullptr;  // colour through SetRed / SetGreen / SetBlue
};

class TOForm {
 public:
  // `path` is the settings file (the game chooses it: see TFormServices::OptionsFile).
  TOForm(TGameSettings& settings, TPlayerLink player1, TPlayerLink player2,
         std::string path = "Options.dat");

  // [SECTION] Controls, holding their form values until the file or the player changes them.
  std::array<bool, 9> S{};  // S1..S9, the powerup switches
  TSpinEdit PDensity, RDensity, SpSpin, RoundSpin, RDSpin;
  std::array<std::string, 4> Phys;  // Phys1..Phys4: move, jump, climb, gravity
  bool Fullscr = false;
  TNameEdit P1E, P2E;
  TTrackBar TB1R, TB1G, TB1B, TB2R, TB2G, TB2B;
  // "Played by" of each player: a person or the computer at a strength. Stored in
  // lavarumble.ini beside the settings file, never in it; in effect from "Apply" on.
  std::array<TPlayedBy, 2> PlayedBy{TPlayedBy::Person, TPlayedBy::Person};
  bool Visible = false;  // created hidden

  // Saving makes the settings file's folder when it is missing (the game's, in the user's
  // settings folder); otherwise a missing folder is a file that cannot be created.
  bool MakeFolder = false;

  // The application's error box; the window stays open after it.
  std::function<void(const std::string& text)> ShowError;
  // Opens the Controls window; unset until there is one.
  std::function<void()> ShowControls;

  // [SECTION] Handlers.
  // Reads the settings file once at program start, then lavarumble.ini. Returns the problems
  // with a short file or a damaged ini file (empty when both were missing or whole), for one
  // line on stderr.
  std::string LoadOptions();
  // Takes the controls into the settings and the players and replaces the file; false when a
  // value did not convert or the file could not be written (the error has been shown).
  bool SaveOptions();
  void Button1Click();  // "Apply": save, then close
  void Button2Click();  // "Defaults": controls only
  void ControlsClick();  // "Controls...": the Controls window, beside this one
  void TB1RChange();
  void TB1GChange();
  void TB1BChange();
  void TB2RChange();
  void TB2GChange();
  void TB2BChange();
  void Show();           // the menu's "Options": shows what the controls last held
  void CloseByFrame();   // closing by the frame keeps every control as it is

  // The values in effect now in the game's settings and the players, one per settings row.
  TSettingValues InEffect() const;

  // lavarumble.ini beside the settings file.
  std::string IniPath() const;

 private:
  TSpinEdit* SpinOf(TSettingId id);
  TTrackBar* BarOf(TSettingId id);
  // Puts a value into its control (a bar that moves runs its handler).
  void ShowSetting(TSettingId id, const TSettingValue& value);
  // The value in effect in the game's settings or the players, and taking one into them.
  TSettingValue CurrentSetting(TSettingId id) const;
  void TakeSetting(TSettingId id, const TSettingValue& value);
  void ShowGroup(uint8_t group, const TSettingValues& read);
  void ColourChanged(bool player2, TSettingId component, const TTrackBar& bar);
  std::string LoadOptionsFile();
  std::string LoadIni();
  bool SaveIni();

  TGameSettings& Settings;
  TPlayerLink Player1, Player2;
  std::string Path;
};

}  // namespace lr
