// An options dialog on two bare player sprites and a settings file in a fresh folder.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/OmegaSprite.h"
#include "settings/OptionsFile.h"
#include "settings/OptionsForm.h"
#include "support/RunProgram.h"

namespace lr::testing {

struct TDialog {
  explicit TDialog(const std::string& fileName = "Options.dat") : Path(Dir.File(fileName)) {
    // The players as the main form makes them.
    Sprite1->SetRed(200);
    Sprite1->SetGreen(50);
    Sprite1->SetBlue(50);
    Sprite2->SetRed(50);
    Sprite2->SetGreen(200);
    Sprite2->SetBlue(50);
    Form = std::make_unique<TOForm>(Settings, TPlayerLink{&Name1, Sprite1}, TPlayerLink{&Name2, Sprite2}, Path);
    Form->ShowError = [this](const std::string& text) { Errors.push_back(text); };
  }
  std::string Bytes() const { return lr::test::ReadText(Path); }
  void WriteFile(const std::string& bytes) const { lr::test::WriteText(Path, bytes); }
  std::array<Integer, 3> Colour1() const { return {Sprite1->Red, Sprite1->Green, Sprite1->Blue}; }
  std::array<Integer, 3> Colour2() const { return {Sprite2->Red, Sprite2->Green, Sprite2->Blue}; }
  TOForm& operator*() const { return *Form; }
  TOForm* operator->() const { return Form.get(); }

  lr::test::TTempDir Dir;
  std::string Path;
  TOmegaSprite SE;
  TSprite* Sprite1 = new TSprite(SE);  // owned by SE
  TSprite* Sprite2 = new TSprite(SE);
  std::string Name1 = "Red Man", Name2 = "Green Man";
  TGameSettings Settings;
  std::unique_ptr<TOForm> Form;
  std::vector<std::string> Errors;
};

inline size_t Row(TSettingId id) { return static_cast<size_t>(id); }

// A settings file for these values: the table's start values with some rows changed.
inline std::string FileOf(const std::vector<std::pair<TSettingId, TSettingValue>>& changes) {
  TSettingValues values;
  for (const TSetting& setting : kSettings) values[Row(setting.Id)] = ParseTableValue(setting, setting.StartValue);
  for (const auto& [id, value] : changes) values[Row(id)] = value;
  return EncodeOptions(values);
}

inline TSettingValue Int(Integer value) {
  TSettingValue v;
  v.Int = value;
  return v;
}
inline TSettingValue Float(Single value) {
  TSettingValue v;
  v.Float = value;
  return v;
}
inline TSettingValue Switches(const std::array<bool, 9>& value) {
  TSettingValue v;
  v.Switches = value;
  return v;
}
inline TSettingValue Text(const std::string& text) {
  TSettingValue v;
  v.Text = text;
  return v;
}

}  // namespace lr::testing
