// The settings file of the working directory, read by the headless runner before frame 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "settings/OptionsFile.h"
#include "support/RunProgram.h"

namespace lr::test {
namespace {

using nlohmann::json;

std::string SettingsFile() {
  TSettingValues values;
  for (const TSetting& setting : kSettings)
    values[static_cast<size_t>(setting.Id)] = ParseTableValue(setting, setting.StartValue);
  values[static_cast<size_t>(TSettingId::PowerupDelay)].Int = 20;
  values[static_cast<size_t>(TSettingId::Player1Name)].Text = "Alice";
  values[static_cast<size_t>(TSettingId::Player2Name)].Text = "Bob";
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

}  // namespace
}  // namespace lr::test
