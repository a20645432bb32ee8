// The settings file of the working directory, read by the headless runner before frame 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "settings/OptionsFile.h"
#include "support/RunProgram.h"
#include "support/SettingsBytes.h"

namespace lr::test {
namespace {

using nlohmann::json;

std::string SettingsFile(const std::string& name1 = "Alice", const std::string& name2 = "Bob") {
  TSettingValues values = StartSettings();
  values[static_cast<size_t>(TSettingId::PowerupDelay)].Int = 20;
  values[static_cast<size_t>(TSettingId::Player1Name)].Text = name1;
  values[static_cast<size_t>(TSettingId::Player2Name)].Text = name2;
  return EncodeOptions(values);
}

json FirstFrame(const TTempDir& dir) {
  const std::vector<std::string> lines = ReadLines(dir.File("t.jsonl"));
  return lines.empty() ? json() : json::parse(lines.front());
}

TEST(SettingsFile, TheRunnerReadsItFromTheWorkingFolderAndSaysWhenItIsShort) {
  TTempDir dir;
  const std::vector<std::string> args = {"--headless", "--frames", "2", "--trace", dir.File("t.jsonl")};
  // Without a file: the start names and a powerup every 6 seconds.
  TRunResult run = RunGame(args, "", dir.Path().string());
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(FirstFrame(dir)["players"][0]["Name"], "Red Man");
  EXPECT_EQ(FirstFrame(dir)["PowerupCountdown"], 360);
  EXPECT_FALSE(std::filesystem::exists(dir.File("Options.dat")));

  WriteText(dir.File("Options.dat"), SettingsFile());
  run = RunGame(args, "", dir.Path().string());
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(run.Err.find("Options.dat"), std::string::npos) << run.Err;
  EXPECT_EQ(FirstFrame(dir)["players"][0]["Name"], "Alice");
  EXPECT_EQ(FirstFrame(dir)["players"][1]["Name"], "Bob");
  EXPECT_EQ(FirstFrame(dir)["PowerupCountdown"], 1200);

  // Cut inside the second name: the first name is read, the game starts, one line says so.
  WriteText(dir.File("Options.dat"), SettingsFile().substr(0, 80));
  run = RunGame(args, "", dir.Path().string());
  ASSERT_EQ(run.ExitCode, 0) << run.Err;
  EXPECT_EQ(FirstFrame(dir)["players"][0]["Name"], "Alice");
  EXPECT_EQ(FirstFrame(dir)["players"][1]["Name"], "Green Man");
  size_t lines = 0;
  for (size_t at = run.Err.find("Options.dat"); at != std::string::npos; at = run.Err.find("Options.dat", at + 1))
    ++lines;
  EXPECT_EQ(lines, 1u) << run.Err;
}

TEST(SettingsFile, NamesOfAnyBytesReachTheTraceAsUtf8) {
  struct TCase {
    std::string File;
    std::string Name1, Name2;  // UTF-8
  };
  std::string oy;
  for (int i = 0; i < 15; ++i) oy += "\xC3\xBF";  // y with diaeresis
  const TCase cases[] = {
      // Every byte 0xFF: names of fifteen 0xFF, physics that are no numbers, and more.
      {std::string(kOptionsFileSize, '\xFF'), oy, oy},
      // The euro sign, the five undefined codes as themselves, a no-break space.
      {SettingsFile("\x80\x81\x8D\x8F\x90\x9D\xA0", "Zo\xEB"),
       "\xE2\x82\xAC\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D\xC2\xA0", "Zo\xC3\xAB"},
  };
  for (const TCase& c : cases) {
    TTempDir dir;
    WriteText(dir.File("Options.dat"), c.File);
    const TRunResult run =
        RunGame({"--headless", "--frames", "60", "--trace", dir.File("t.jsonl")}, "", dir.Path().string());
    ASSERT_EQ(run.ExitCode, 0) << run.Err;
    const std::vector<std::string> lines = ReadLines(dir.File("t.jsonl"));
    ASSERT_EQ(lines.size(), 60u);
    const json last = json::parse(lines.back());
    EXPECT_EQ(last["players"][0]["Name"], c.Name1);
    EXPECT_EQ(last["players"][1]["Name"], c.Name2);
  }
}

}  // namespace
}  // namespace lr::test
