// lavarumble.ini: who plays each player, stored beside Options.dat and never in it; what it
// does not know is kept; a damaged file is reported in one line and changes nothing.
#include <gtest/gtest.h>

#include <filesystem>

#include "settings/IniFile.h"
#include "support/RunProgram.h"
#include "settings/Dialog.h"

namespace lr {
namespace {

using testing::TDialog;

std::string IniOf(const TDialog& dialog) { return lr::test::ReadText(dialog->IniPath()); }

TEST(IniFile, PlayedByGoesToTheIniBesideTheSettingsFileAndComesBack) {
  TDialog first;
  EXPECT_EQ(first->IniPath(), first.Dir.File("lavarumble.ini"));
  first->PlayedBy = {TPlayedBy::Person, TPlayedBy::Hard};
  ASSERT_TRUE(first->SaveOptions()) << (first.Errors.empty() ? "" : first.Errors[0]);
  // In effect from "Apply" on; Options.dat keeps its 102 bytes.
  EXPECT_EQ(first.Settings.PlayedBy[1], TPlayedBy::Hard);
  EXPECT_EQ(first.Bytes().size(), 102u);
  const std::string text = IniOf(first);
  EXPECT_NE(text.find("[Player1]"), std::string::npos) << text;
  EXPECT_NE(text.find("PlayedBy = Person"), std::string::npos) << text;
  EXPECT_NE(text.find("[Player2]"), std::string::npos) << text;
  EXPECT_NE(text.find("PlayedBy = Hard"), std::string::npos) << text;

  // Every value reads back, in any letter case, into the game and the dialog.
  for (const TPlayedByName& name : kPlayedByNames) {
    TDialog again;
    std::string lower(name.Word);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    lr::test::WriteText(again->IniPath(), "[Player1]\nPlayedBy = " + lower + "\n[Player2]\nPlayedBy=" +
                                              std::string(name.Word) + "\n");
    EXPECT_EQ(again->LoadOptions(), "");
    EXPECT_EQ(again.Settings.PlayedBy[0], name.Value) << name.Word;
    EXPECT_EQ(again.Settings.PlayedBy[1], name.Value) << name.Word;
    EXPECT_EQ(again->PlayedBy[0], name.Value) << name.Word;
  }
}

TEST(IniFile, WhatThisVersionDoesNotKnowIsKeptOnSave) {
  TDialog dialog;
  lr::test::WriteText(dialog->IniPath(),
                      "; written by hand\n[Controls]\nJump = W\n\n[Player2]\nPlayedBy = Easy\nShirt = blue\n");
  EXPECT_EQ(dialog->LoadOptions(), "");
  EXPECT_EQ(dialog.Settings.PlayedBy[1], TPlayedBy::Easy);
  dialog->PlayedBy[1] = TPlayedBy::Normal;
  ASSERT_TRUE(dialog->SaveOptions());
  const std::string text = IniOf(dialog);
  for (const char* kept : {"; written by hand", "[Controls]", "Jump = W", "Shirt = blue", "PlayedBy = Normal"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept << " in\n" << text;
  EXPECT_EQ(text.find("Easy"), std::string::npos) << text;
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dialog.Dir.Path()), {}), 2);

  // Byte-order marks (an editor's at the start, stray ones in a name, one made by taking
  // another out) are no text: saving and loading again gives the same file every time.
  TIniFile file, again;
  std::string error;
  ASSERT_TRUE(file.LoadText("\xEF\xBB\xBF[Player2]\n\xEF\xBB\xBF\xEF\xBB\xBF" "Played\xEF\xEF\xBB\xBF\xBB\xBF" "By = Hard\n", error));
  EXPECT_EQ(file.Get("Player2", "PlayedBy", "?"), "Hard");
  ASSERT_TRUE(again.LoadText(file.Text(), error));
  EXPECT_EQ(again.Text(), file.Text());
}

TEST(IniFile, ADamagedFileIsOneLineAndLeavesThePlayersToThePeople) {
  const struct {
    const char* Name;
    std::string Text;
    const char* Problem;     // part of the one line, empty: none
    bool SaveKeepsFile;      // Apply refuses to replace it (it could not be read)
  } cases[] = {
      {"unknown level", "[Player2]\nPlayedBy = Wizard\n", "[Player2] PlayedBy 'Wizard' is not Person, Easy, Normal or Hard",
       false},
      {"not text", std::string("[Player2]\nPlayedBy = Hard\n\0\x01\x02", 28), "not a text file", true},
      {"too large", "[Player2]\nPlayedBy = Hard\n" + std::string(70 * 1024, 'x'), "larger than 64 KiB", true},
      // Found by the settings fuzz target: saved, the name came back as other sections.
      {"section across lines", "[Play\ner2]\nPlayedBy = Hard\n", "a section name spans lines", true},
      {"garbage lines", "[[[\n===\n[Player2\nPlayedBy Hard\n\xff\xfe\n", "", false},
  };
  for (const auto& c : cases) {
    TDialog dialog;
    lr::test::WriteText(dialog->IniPath(), c.Text);
    const std::string problem = dialog->LoadOptions();
    if (*c.Problem)
      EXPECT_NE(problem.find(c.Problem), std::string::npos) << c.Name << ": " << problem;
    else
      EXPECT_EQ(problem, "") << c.Name;
    EXPECT_EQ(problem.find('\n'), std::string::npos) << c.Name;
    EXPECT_EQ(dialog.Settings.PlayedBy[1], TPlayedBy::Person) << c.Name;
    dialog->PlayedBy[1] = TPlayedBy::Easy;
    EXPECT_EQ(dialog->SaveOptions(), !c.SaveKeepsFile) << c.Name;
    if (c.SaveKeepsFile) {
      EXPECT_EQ(IniOf(dialog), c.Text) << c.Name;
      ASSERT_EQ(dialog.Errors.size(), 1u) << c.Name;
      EXPECT_EQ(dialog.Settings.PlayedBy[1], TPlayedBy::Person) << c.Name;
    } else {
      EXPECT_NE(IniOf(dialog).find("PlayedBy = Easy"), std::string::npos) << c.Name;
    }
  }
}

}  // namespace
}  // namespace lr
