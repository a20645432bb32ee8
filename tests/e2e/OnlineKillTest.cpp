// Programs killed outright, on loopback: our master server is killed while a host and a guest
// play a match, and started again on the same port; then the host is killed mid-match. The
// host's lobby says its connection closed, the match plays on, the guest leaves the room by
// itself, goes back to the lobby and finds the new master server there.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include <nlohmann/json.hpp>

#include "settings/OptionsFile.h"
#include "support/RunProgram.h"

namespace lr::test {
namespace {

using nlohmann::json;

std::string SettingsWithName(const std::string& name) {
  TSettingValues values;
  for (const TSetting& setting : kSettings)
    values[static_cast<size_t>(setting.Id)] = ParseTableValue(setting, setting.StartValue);
  values[static_cast<size_t>(TSettingId::Player1Name)].Text = name;
  return EncodeOptions(values);
}

// Polls a trace, at most `seconds`, until a frame after frame `after` satisfies `test`; that
// frame (a line still being written is left out).
json WaitForFrame(const std::string& path, const std::function<bool(const json&)>& test, double seconds,
                  int64_t after = 0) {
  for (int i = 0; i < static_cast<int>(seconds * 10); ++i) {
    for (const std::string& line : ReadLines(path)) {
      const json frame = json::parse(line, nullptr, false);
      if (!frame.is_discarded() && frame["frame"].get<int64_t>() > after && test(frame)) return frame;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return nullptr;
}

// The master server on loopback at `port` (0: one the system picks); its port once it listens.
std::unique_ptr<TBackgroundProgram> StartMaster(const TTempDir& dir, int port, const std::string& log, int& listening) {
  auto master = std::make_unique<TBackgroundProgram>(LR_MASTER_BINARY,
                                                     std::vector<std::string>{"--bind", "127.0.0.1", "--port", std::to_string(port)},
                                                     dir.Path().string(), dir.File(log + ".out"), dir.File(log + ".err"));
  const std::string text = WaitForText(dir.File(log + ".err"), "listening on 127.0.0.1:", 20);
  const size_t at = text.find("listening on 127.0.0.1:");
  listening = at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 23);
  return master;
}

bool InMatch(const json& f) { return f["GameMode"] == 1 && f.contains("net") && f["net"]["OnlineGame"] == 1; }

TEST(OnlineKill, TheMasterKilledAndBackAndAHostKilledMidMatch) {
  TTempDir dir;
  int port = 0;
  std::unique_ptr<TBackgroundProgram> master = StartMaster(dir, 0, "master1", port);
  ASSERT_NE(port, 0) << ReadText(dir.File("master1.err"));
  const std::string address = "127.0.0.1:" + std::to_string(port);

  auto startGame = [&](const std::string& name, const std::string& script, const std::string& roomPort) {
    const std::string folder = dir.File(name);
    std::filesystem::create_directories(folder);
    WriteText(folder + "/Options.dat", SettingsWithName(name));
    WriteText(folder + "/in.txt", script);
    return std::make_unique<TBackgroundProgram>(
        LR_BINARY,
        std::vector<std::string>{"--headless", "--realtime", "--frames", "7200", "--master", address, "--room-port",
                                 roomPort, "--input", "in.txt", "--trace", "t.jsonl"},
        folder, folder + "/out", folder + "/err");
  };
  const std::string alice = dir.File("Alice") + "/t.jsonl", bob = dir.File("Bob") + "/t.jsonl";
  auto host = startGame("Alice", "150 mouse 300 230\n151 click\n250 lobby host 4 Kill test\n270 room ready\n900 room launch\n", "0");
  const json hosting = WaitForFrame(alice, [](const json& f) { return f.contains("net") && f["net"]["room"]["port"] != 0; }, 120);
  ASSERT_FALSE(hosting.is_null()) << ReadText(dir.File("Alice") + "/err");
  auto guest = startGame("Bob", "150 mouse 300 230\n151 click\n250 lobby join 1\n310 room ready\n",
                         std::to_string(hosting["net"]["room"]["port"].get<int>()));

  // Both in the match: the master is killed.
  const json playing = WaitForFrame(bob, InMatch, 240);
  ASSERT_FALSE(playing.is_null()) << ReadText(dir.File("Bob") + "/err") << ReadText(dir.File("Alice") + "/err");
  master->Signal(SIGKILL);
  master->Wait(10);
  const json told = WaitForFrame(alice, [](const json& f) { return f.contains("net") && f["net"]["lobby"]["status"] == "Connection closed."; }, 60);
  ASSERT_FALSE(told.is_null());
  EXPECT_TRUE(InMatch(told));
  EXPECT_EQ(told["net"]["room"]["players"], json::array({"* Alice", "* Bob"}));

  // Back on its port; then the host is killed.
  int again = 0;
  master = StartMaster(dir, port, "master2", again);
  ASSERT_EQ(again, port) << ReadText(dir.File("master2.err"));
  host->Signal(SIGKILL);
  host->Wait(10);
  const json left = WaitForFrame(bob, [](const json& f) { return f.contains("net") && f["net"]["room"]["shown"] == false && f["net"]["lobby"]["shown"] == true; }, 60,
                                   playing["frame"].get<int64_t>());
  ASSERT_FALSE(left.is_null());
  const json back = WaitForFrame(
      bob, [](const json& f) { return f.contains("net") && f["net"]["lobby"]["online"] == json::array({"Bob"}); }, 60,
      left["frame"].get<int64_t>() - 1);
  ASSERT_FALSE(back.is_null());
  EXPECT_EQ(back["net"]["master"], "wsConnected");
  EXPECT_TRUE(InMatch(back));
  EXPECT_EQ(back["players"].size(), 2u);
  bool said = false;
  for (const std::string& line : ReadLines(bob)) {
    const json f = json::parse(line, nullptr, false);
    if (f.is_discarded() || !f.contains("net")) continue;
    for (const json& chat : f["net"]["lobby"]["chat"]) said = said || chat == "Left the game room: the host closed the connection.";
  }
  EXPECT_TRUE(said);

  guest->Signal(SIGKILL);
  guest->Wait(10);
  master->Signal(SIGTERM);
  EXPECT_EQ(master->Wait(10), 0);
}

}  // namespace
}  // namespace lr::test
