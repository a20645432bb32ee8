// The one table of the game's options: each value's type, start, dialog and "Defaults"
// values, the dialog's range and its place in Options.dat. The dialog, the file reader and
// writer and the tests all walk this table.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/Types.h"

namespace lr {

enum class TSettingKind : uint8_t {
  Int32,     // little-endian int32
  Float,     // IEEE single, little-endian
  Switches,  // nine bytes, one per powerup kind, non-zero is on
  ByteOf4,   // a byte in the first of four bytes; the other three are zero
  Flag,      // one byte, non-zero is on
  Name,      // length byte, then 15 character bytes
  Colour,    // a colour component, int32
};

enum class TSettingId : uint8_t {
  PlatformDensity, RopeDensity, MovePower, JumpPower, ClimbPower, Gravity, PowerupEnabled,
  PowerupDelay, RoundCount, RoundDelay, Fullscreen,
  Player1Name, Player1Red, Player1Green, Player1Blue,
  Player2Name, Player2Red, Player2Green, Player2Blue,
};

struct TSetting {
  TSettingId Id;
  std::string_view Name;
  TSettingKind Kind;
  std::string_view StartValue;     // in effect at program start, before the file is read
  std::string_view FormValue;      // what the dialog holds when it is created
  std::string_view DefaultsValue;  // what "Defaults" puts into the dialog
  Integer MinValue, MaxValue;      // the dialog control's range (both 0: no range)
  uint8_t Offset, Size;            // where it lives in Options.dat
  uint8_t Group;                   // the file reader shows a group in the dialog once read
};

constexpr size_t kOptionsFileSize = 102;
constexpr size_t kStoredNameLength = 15;
// The powerup delay in effect is never outside these, whatever the spin or the file holds.
constexpr Integer kPowerupDelayMin = 6, kPowerupDelayMax = 60;

// Values of the switch rows are "1" (all nine on) or "0" (all off).
inline constexpr std::array<TSetting, 19> kSettings = {{
    {TSettingId::PlatformDensity, "PlatformDensity", TSettingKind::Int32, "80", "80", "80", 0, 100, 0, 4, 1},
    {TSettingId::RopeDensity, "RopeDensity", TSettingKind::Int32, "10", "10", "10", 0, 100, 4, 4, 1},
    {TSettingId::MovePower, "MovePower", TSettingKind::Float, "1.6", "1.6", "1.6", 0, 0, 8, 4, 2},
    {TSettingId::JumpPower, "JumpPower", TSettingKind::Float, "-5", "-5", "-5", 0, 0, 12, 4, 2},
    {TSettingId::ClimbPower, "ClimbPower", TSettingKind::Float, "1.7", "1.7", "1.7", 0, 0, 16, 4, 2},
    {TSettingId::Gravity, "Gravity", TSettingKind::Float, "0.22", "0.22", "0.22", 0, 0, 20, 4, 2},
    {TSettingId::PowerupEnabled, "PowerupEnabled", TSettingKind::Switches, "1", "0", "1", 0, 0, 24, 9, 3},
    {TSettingId::PowerupDelay, "PowerupDelay", TSettingKind::Int32, "6", "4", "4", 1, 60, 33, 4, 4},
    {TSettingId::RoundCount, "RoundCount", TSettingKind::ByteOf4, "3", "10", "10", 1, 50, 37, 4, 5},
    {TSettingId::RoundDelay, "RoundDelay", TSettingKind::ByteOf4, "10", "10", "10", 5, 30, 41, 4, 5},
    {TSettingId::Fullscreen, "Fullscreen", TSettingKind::Flag, "0", "0", "0", 0, 0, 45, 1, 6},
    {TSettingId::Player1Name, "Player1Name", TSettingKind::Name, "Red Man", "Lava Newbie #1", "Lava Newbie #1", 0, 0, 46, 16, 7},
    {TSettingId::Player1Red, "Player1Red", TSettingKind::Colour, "200", "128", "128", 64, 255, 62, 4, 8},
    {TSettingId::Player1Green, "Player1Green", TSettingKind::Colour, "50", "128", "128", 64, 255, 66, 4, 8},
    {TSettingId::Player1Blue, "Player1Blue", TSettingKind::Colour, "50", "128", "128", 64, 255, 70, 4, 8},
    {TSettingId::Player2Name, "Player2Name", TSettingKind::Name, "Green Man", "Lava Newbie #2", "Lava Newbie #2", 0, 0, 74, 16, 9},
    {TSettingId::Player2Red, "Player2Red", TSettingKind::Colour, "50", "128", "128", 64, 255, 90, 4, 10},
    {TSettingId::Player2Green, "Player2Green", TSettingKind::Colour, "200", "128", "128", 64, 255, 94, 4, 10},
    {TSettingId::Player2Blue, "Player2Blue", TSettingKind::Colour, "50", "128", "128", 64, 255, 98, 4, 10},
}};

constexpr const TSetting& SettingOf(TSettingId id) { return kSettings[static_cast<size_t>(id)]; }

// One value of any row: numbers in Int or Float, the nine switches, or a name.
struct TSettingValue {
  Integer Int = 0;
  Single Float = 0;
  std::array<bool, 9> Switches{};
  std::string Text;
  bool operator==(const TSettingValue&) const = default;
};

using TSettingValues = std::array<TSettingValue, kSettings.size()>;

// A value of the table's text columns, read as the row's kind.
TSettingValue ParseTableValue(const TSetting& setting, std::string_view text);

// Decimal numbers with a point, whatever the machine's locale.
// A whole number, optionally signed, between optional blanks; nothing for anything else.
std::optional<Integer> ParseWholeNumber(std::string_view text);
// A finite decimal number that fits a Single, between optional blanks; nothing otherwise.
std::optional<Single> ParseDecimal(std::string_view text);
// General format with six significant digits: "1.6", "-5", "0.22", "1e+10".
std::string FormatDecimal(Single value);

}  // namespace lr
