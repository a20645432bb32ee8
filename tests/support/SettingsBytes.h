// Settings for tests: the table's start values, and Options.dat bytes with player 1's name set.
#pragma once

#include <string>

#include "settings/OptionsFile.h"

namespace lr::test {

inline TSettingValues StartSettings() {
  TSettingValues values;
  for (const TSetting& setting : kSettings)
    values[static_cast<size_t>(setting.Id)] = ParseTableValue(setting, setting.StartValue);
  return values;
}

inline std::string SettingsWithName(const std::string& name) {
  TSettingValues values = StartSettings();
  values[static_cast<size_t>(TSettingId::Player1Name)].Text = name;
  return EncodeOptions(values);
}

}  // namespace lr::test
