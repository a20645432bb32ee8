// The options dialog's model: its controls, the settings file's reading and writing, and the
// handlers of its buttons and colour bars.
#include "settings/OptionsForm.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/AtomicFile.h"
#include "settings/IniFile.h"
#include "settings/OptionsFile.h"
#include "settings/SettingsTable.h"

namespace lr {

// [SECTION] Controls.

Integer TSpinEdit::Value() const { return ParseWholeNumber(Text).value_or(MinValue); }

void TSpinEdit::SetValue(Integer value) { Text = std::to_string(std::clamp(value, MinValue, MaxValue)); }

void TSpinEdit::Exit() {
  const Integer value = Value();
  if (std::clamp(value, MinValue, MaxValue) != value) SetValue(value);
}

void TSpinEdit::Up() { SetValue(Value() < MaxValue ? Value() + 1 : MaxValue); }

void TSpinEdit::Down() { SetValue(Value() > MinValue ? Value() - 1 : MinValue); }

void TTrackBar::SetPosition(Integer value) {
  value = std::clamp(value, MinValue, MaxValue);
  if (value == Position) return;
  Position = value;
  if (OnChange) OnChange();
}

namespace {

// The colour a name edit previews: the low bytes of the three components.
TRgb PreviewOf(Integer red, Integer green, Integer blue) {
  return {static_cast<Byte>(red & 0xFF), static_cast<Byte>(green & 0xFF), static_cast<Byte>(blue & 0xFF)};
}

TRgb PreviewOf(const TSprite& sprite) { return PreviewOf(sprite.Red, sprite.Green, sprite.Blue); }

size_t Index(TSettingId id) { return static_cast<size_t>(id); }

// The first row of a player's block: its name.
bool IsPlayer2(TSettingId id) { return Index(id) >= Index(TSettingId::Player2Name); }

}  // namespace

TOForm::TOForm(TGameSettings& settings, TPlayerLink player1, TPlayerLink player2, std::string path)
    : Settings(settings), Player1(player1), Player2(player2), Path(std::move(path)) {
  for (const TSetting& setting : kSettings) {
    if (TSpinEdit* spin = SpinOf(setting.Id)) {
      spin->MinValue = setting.MinValue;
      spin->MaxValue = setting.MaxValue;
    }
    ShowSetting(setting.Id, ParseTableValue(setting, setting.FormValue));
  }
  // Wired last: filling the bars above must not reach the players.
  TB1R.OnChange = [this] { TB1RChange(); };
  TB1G.OnChange = [this] { TB1GChange(); };
  TB1B.OnChange = [this] { TB1BChange(); };
  TB2R.OnChange = [this] { TB2RChange(); };
  TB2G.OnChange = [this] { TB2GChange(); };
  TB2B.OnChange = [this] { TB2BChange(); };
}

TSpinEdit* TOForm::SpinOf(TSettingId id) {
  switch (id) {
    case TSettingId::PlatformDensity: return &PDensity;
    case TSettingId::RopeDensity: return &RDensity;
    case TSettingId::PowerupDelay: return &SpSpin;
    case TSettingId::RoundCount: return &RoundSpin;
    case TSettingId::RoundDelay: return &RDSpin;
    default: return nullptr;
  }
}

TTrackBar* TOForm::BarOf(TSettingId id) {
  switch (id) {
    case TSettingId::Player1Red: return &TB1R;
    case TSettingId::Player1Green: return &TB1G;
    case TSettingId::Player1Blue: return &TB1B;
    case TSettingId::Player2Red: return &TB2R;
    case TSettingId::Player2Green: return &TB2G;
    case TSettingId::Player2Blue: return &TB2B;
    default: return nullptr;
  }
}

void TOForm::ShowSetting(TSettingId id, const TSettingValue& value) {
  if (TSpinEdit* spin = SpinOf(id)) {
    spin->SetValue(value.Int);
  } else if (TTrackBar* bar = BarOf(id)) {
    bar->SetPosition(value.Int);
  } else if (id >= TSettingId::MovePower && id <= TSettingId::Gravity) {
    Phys[Index(id) - Index(TSettingId::MovePower)] = FormatDecimal(value.Float);
  } else if (id == TSettingId::PowerupEnabled) {
    S = value.Switches;
  } else if (id == TSettingId::Fullscreen) {
    Fullscr = value.Int != 0;
  } else if (id == TSettingId::Player1Name || id == TSettingId::Player2Name) {
    (IsPlayer2(id) ? P2E : P1E).Text = value.Text;
  }
}

// [SECTION] Values in effect: the game's settings and the two players.

TSettingValue TOForm::CurrentSetting(TSettingId id) const {
  TSettingValue value;
  const TPlayerLink& player = IsPlayer2(id) ? Player2 : Player1;
  switch (id) {
    case TSettingId::PlatformDensity: value.Int = Settings.PlatformDensity; break;
    case TSettingId::RopeDensity: value.Int = Settings.RopeDensity; break;
    case TSettingId::MovePower: value.Float = Settings.MovePower; break;
    case TSettingId::JumpPower: value.Float = Settings.JumpPower; break;
    case TSettingId::ClimbPower: value.Float = Settings.ClimbPower; break;
    case TSettingId::Gravity: value.Float = Settings.Gravity; break;
    case TSettingId::PowerupEnabled: value.Switches = Settings.PowerupEnabled; break;
    case TSettingId::PowerupDelay: value.Int = Settings.PowerupDelay; break;
    case TSettingId::RoundCount: value.Int = Settings.RoundCount; break;
    case TSettingId::RoundDelay: value.Int = Settings.RoundDelay; break;
    case TSettingId::Fullscreen: value.Int = Settings.Fullscreen ? 1 : 0; break;
    case TSettingId::Player1Name:
    case TSettingId::Player2Name: value.Text = player.Name ? *player.Name : ""; break;
    case TSettingId::Player1Red:
    case TSettingId::Player2Red: value.Int = player.Sprite ? player.Sprite->Red : 0; break;
    case TSettingId::Player1Green:
    case TSettingId::Player2Green: value.Int = player.Sprite ? player.Sprite->Green : 0; break;
    case TSettingId::Player1Blue:
    case TSettingId::Player2Blue: value.Int = player.Sprite ? player.Sprite->Blue : 0; break;
  }
  return value;
}

void TOForm::TakeSetting(TSettingId id, const TSettingValue& value) {
  const TPlayerLink& player = IsPlayer2(id) ? Player2 : Player1;
  switch (id) {
    case TSettingId::PlatformDensity: Settings.PlatformDensity = value.Int; break;
    case TSettingId::RopeDensity: Settings.RopeDensity = value.Int; break;
    case TSettingId::MovePower: Settings.MovePower = value.Float; break;
    case TSettingId::JumpPower: Settings.JumpPower = value.Float; break;
    case TSettingId::ClimbPower: Settings.ClimbPower = value.Float; break;
    case TSettingId::Gravity: Settings.Gravity = value.Float; break;
    case TSettingId::PowerupEnabled: Settings.PowerupEnabled = value.Switches; break;
    case TSettingId::PowerupDelay:
      Settings.PowerupDelay = std::max(std::min(value.Int, kPowerupDelayMax), kPowerupDelayMin);
      break;
    case TSettingId::RoundCount: Settings.RoundCount = static_cast<Byte>(value.Int); break;
    case TSettingId::RoundDelay: Settings.RoundDelay = static_cast<Byte>(value.Int); break;
    case TSettingId::Fullscreen: Settings.Fullscreen = value.Int != 0; break;
    case TSettingId::Player1Name:
    case TSettingId::Player2Name:
      if (player.Name) *player.Name = value.Text;
      break;
    case TSettingId::Player1Red:
    case TSettingId::Player2Red:
      if (player.Sprite) player.Sprite->SetRed(value.Int);
      break;
    case TSettingId::Player1Green:
    case TSettingId::Player2Green:
      if (player.Sprite) player.Sprite->SetGreen(value.Int);
      break;
    case TSettingId::Player1Blue:
    case TSettingId::Player2Blue:
      if (player.Sprite) player.Sprite->SetBlue(value.Int);
      break;
  }
}

// [SECTION] The file.

std::string TOForm::LoadOptions() {
  const std::string options = LoadOptionsFile();
  const std::string ini = LoadIni();
  return options.empty() ? ini : ini.empty() ? options : options + "; " + ini;
}

std::string TOForm::LoadOptionsFile() {
  // The powerup boxes show the switches in effect until the file says otherwise: boxes shown
  // unchecked while every powerup is on would switch them all off on the first "Apply".
  ShowSetting(TSettingId::PowerupEnabled, CurrentSetting(TSettingId::PowerupEnabled));
  std::error_code ec;
  if (!std::filesystem::exists(Path, ec)) return "";
  std::ifstream in(Path, std::ios::binary);
  std::string bytes(kOptionsFileSize, '\0');
  if (in) in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!in && !in.eof()) return Path + ": cannot be read";
  bytes.resize(static_cast<size_t>(in.gcount()));

  // Every row takes effect as it is read; a group is shown in the dialog once it is whole.
  // A player's colour is read whole before it reaches the player.
  TSettingValues read;
  for (const TSetting& setting : kSettings) {
    if (setting.Offset + setting.Size > bytes.size())
      return Path + ": only " + std::to_string(bytes.size()) + " of " + std::to_string(kOptionsFileSize) +
             " bytes; the settings from byte " + std::to_string(setting.Offset) + " on keep their start values";
    TSettingValue& value = read[Index(setting.Id)];
    value = DecodeSetting(setting, std::string_view(bytes).substr(setting.Offset, setting.Size));
    // A stored number that is no number (infinite or not a number) is ignored.
    if (setting.Kind == TSettingKind::Float && !std::isfinite(value.Float)) value = CurrentSetting(setting.Id);
    if (setting.Kind != TSettingKind::Colour) TakeSetting(setting.Id, value);
    const bool groupEnds = &setting == &kSettings.back() || (&setting + 1)->Group != setting.Group;
    if (groupEnds) ShowGroup(setting.Group, read);
  }
  return "";
}

void TOForm::ShowGroup(uint8_t group, const TSettingValues& read) {
  std::vector<TSettingId> rows;
  for (const TSetting& setting : kSettings)
    if (setting.Group == group) rows.push_back(setting.Id);
  if (SettingOf(rows.front()).Kind != TSettingKind::Colour) {
    // What is in effect now: the delay has been clamped on the way.
    for (TSettingId id : rows) ShowSetting(id, CurrentSetting(id));
    return;
  }
  // A colour: the edit previews the stored values, the player takes them, then the bars
  // follow the player (a bar that moves writes its clamped position back).
  const Integer red = read[Index(rows[0])].Int, green = read[Index(rows[1])].Int, blue = read[Index(rows[2])].Int;
  (IsPlayer2(rows[0]) ? P2E : P1E).FontColor = PreviewOf(red, green, blue);
  for (TSettingId id : rows) TakeSetting(id, read[Index(id)]);
  for (TSettingId id : rows) ShowSetting(id, CurrentSetting(id));
}

bool TOForm::SaveOptions() {
  // Clicking "Apply" leaves the field being edited.
  for (TSpinEdit* spin : {&PDensity, &RDensity, &SpSpin, &RoundSpin, &RDSpin}) spin->Exit();

  TSettingValues values;
  for (const TSetting& setting : kSettings) {
    const TSettingId id = setting.Id;
    TSettingValue& value = values[Index(id)];
    if (const TSpinEdit* spin = SpinOf(id)) {
      value.Int = spin->Value();
    } else if (setting.Kind == TSettingKind::Float) {
      const std::string& text = Phys[Index(id) - Index(TSettingId::MovePower)];
      const std::optional<Single> number = ParseDecimal(text);
      if (!number) {
        // What was converted before stays in effect; the file is not touched.
        for (const TSetting& before : kSettings) {
          if (before.Id == id) break;
          TakeSetting(before.Id, values[Index(before.Id)]);
        }
        if (ShowError) ShowError("'" + text + "' is not a valid floating point value");
        return false;
      }
      value.Float = *number;
    } else if (id == TSettingId::PowerupEnabled) {
      value.Switches = S;
    } else if (id == TSettingId::Fullscreen) {
      value.Int = Fullscr ? 1 : 0;
    } else if (setting.Kind == TSettingKind::Name) {
      value.Text = (IsPlayer2(id) ? P2E : P1E).Text.substr(0, kStoredNameLength);
    } else {
      // The colours are what the bars last set in the players.
      value = CurrentSetting(id);
    }
    if (id == TSettingId::PowerupDelay) value.Int = std::max(std::min(value.Int, kPowerupDelayMax), kPowerupDelayMin);
  }

  if (MakeFolder) {
    // A folder that cannot be made shows as the file that cannot be created, just below.
    const std::filesystem::path folder = std::filesystem::path(Path).parent_path();
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  }
  if (const std::string error = ReplaceFileAtomically(Path, EncodeOptions(values)); !error.empty()) {
    if (ShowError) ShowError("Cannot create file " + Path);
    return false;
  }
  for (const TSetting& setting : kSettings) TakeSetting(setting.Id, values[Index(setting.Id)]);
  return SaveIni();
}

// [SECTION] lavarumble.ini: who plays each player.

namespace {
// The ini file's sections, one per player; the keys and pads have sections of their own.
constexpr std::array<const char*, 2> kPlayerSections = {"Player1", "Player2"};
constexpr const char* kPlayedByKey = "PlayedBy";
}  // namespace

std::string TOForm::IniPath() const { return IniPathBeside(Path); }

std::string TOForm::LoadIni() {
  TIniFile ini;
  std::string error;
  if (!ini.Load(IniPath(), error)) return error;
  std::string problem;
  for (size_t seat = 0; seat < kPlayerSections.size(); ++seat) {
    const std::string word = ini.Get(kPlayerSections[seat], kPlayedByKey, "Person");
    const std::optional<TPlayedBy> value = PlayedByFromWord(word);
    if (!value) {
      // A value we cannot read leaves the player to the keyboard.
      if (problem.empty())
        problem = IniPath() + ": [" + kPlayerSections[seat] + "] " + kPlayedByKey + " '" + word +
                  "' is not Person, Easy, Normal or Hard";
      continue;
    }
    PlayedBy[seat] = *value;
    Settings.PlayedBy[seat] = *value;
  }
  return problem;
}

bool TOForm::SaveIni() {
  // What else the file holds is kept: read it first. A file we could not read is not
  // replaced, so nothing of it is lost.
  TIniFile ini;
  std::string error;
  if (!ini.Load(IniPath(), error)) {
    if (ShowError) ShowError(error);
    return false;
  }
  for (size_t seat = 0; seat < kPlayerSections.size(); ++seat)
    ini.Set(kPlayerSections[seat], kPlayedByKey, std::string(NameOf(PlayedBy[seat]).Word));
  if (!ini.Save(IniPath()).empty()) {
    if (ShowError) ShowError("Cannot create file " + IniPath());
    return false;
  }
  Settings.PlayedBy = PlayedBy;
  return true;
}

// [SECTION] Buttons, bars and the window.

void TOForm::Button1Click() {
  if (SaveOptions()) Visible = false;
}

void TOForm::Button2Click() {
  for (const TSetting& setting : kSettings) ShowSetting(setting.Id, ParseTableValue(setting, setting.DefaultsValue));
  TB1RChange();
  TB2RChange();
}

void TOForm::ControlsClick() {
  if (ShowControls) ShowControls();
}

void TOForm::ColourChanged(bool player2, TSettingId component, const TTrackBar& bar) {
  TSettingValue value;
  value.Int = bar.Position;
  TakeSetting(component, value);
  const TPlayerLink& player = player2 ? Player2 : Player1;
  if (player.Sprite) (player2 ? P2E : P1E).FontColor = PreviewOf(*player.Sprite);
}

void TOForm::TB1RChange() { ColourChanged(false, TSettingId::Player1Red, TB1R); }
void TOForm::TB1GChange() { ColourChanged(false, TSettingId::Player1Green, TB1G); }
void TOForm::TB1BChange() { ColourChanged(false, TSettingId::Player1Blue, TB1B); }
void TOForm::TB2RChange() { ColourChanged(true, TSettingId::Player2Red, TB2R); }
void TOForm::TB2GChange() { ColourChanged(true, TSettingId::Player2Green, TB2G); }
void TOForm::TB2BChange() { ColourChanged(true, TSettingId::Player2Blue, TB2B); }

TSettingValues TOForm::InEffect() const {
  TSettingValues values;
  for (const TSetting& setting : kSettings) values[Index(setting.Id)] = CurrentSetting(setting.Id);
  return values;
}

void TOForm::Show() { Visible = true; }

void TOForm::CloseByFrame() { Visible = false; }

}  // namespace lr
