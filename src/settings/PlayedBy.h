// Who steers a local player: a person at the keyboard or the computer at one of its three
// strengths. Kept with the settings (the options dialog and lavarumble.ini), never in
// Options.dat.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace lr {

enum class TPlayedBy : uint8_t { Person, Easy, Normal, Hard };

struct TPlayedByName {
  TPlayedBy Value;
  std::string_view Word;     // in lavarumble.ini and after --cpu (lower case there)
  std::string_view Caption;  // in the options dialog
};

inline constexpr std::array<TPlayedByName, 4> kPlayedByNames = {{
    {TPlayedBy::Person, "Person", "Person"},
    {TPlayedBy::Easy, "Easy", "Computer (Easy)"},
    {TPlayedBy::Normal, "Normal", "Computer (Normal)"},
    {TPlayedBy::Hard, "Hard", "Computer (Hard)"},
}};

inline const TPlayedByName& NameOf(TPlayedBy value) { return kPlayedByNames[static_cast<size_t>(value)]; }

// The value whose word this is, in any letter case ("hard", "Hard"); nothing for other words.
inline std::optional<TPlayedBy> PlayedByFromWord(std::string_view word) {
  for (const TPlayedByName& name : kPlayedByNames) {
    if (name.Word.size() != word.size()) continue;
    bool same = true;
    for (size_t i = 0; i < word.size() && same; ++i) {
      const char a = word[i] >= 'A' && word[i] <= 'Z' ? static_cast<char>(word[i] - 'A' + 'a') : word[i];
      const char b = name.Word[i] >= 'A' && name.Word[i] <= 'Z' ? static_cast<char>(name.Word[i] - 'A' + 'a') : name.Word[i];
      same = a == b;
    }
    if (same) return name.Value;
  }
  return std::nullopt;
}

}  // namespace lr
