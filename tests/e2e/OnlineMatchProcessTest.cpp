// Our master server and three headless games paced in real time, all on loopback: one hosts,
// two join, all get ready and the host launches one match; a client is killed in the middle
// of it (the others play on, its seat is freed, the master hears the lower count), and then
// the host leaves (the remaining client goes back to the lobby, its match running on).
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <thread>

#include <nlohmann/json.hpp>

#include "support/RunProgram.h"
#include "support/SettingsBytes.h"

namespace lr::test {
namespace {

using nlohmann::json;

// The frames of a trace written so far (a line still being written is left out).
std::vector<json> Frames(const std::string& path) {
  std::vector<json> frames;
  for (const std::string& line : ReadLines(path)) {
    json frame = json::parse(line, nullptr, false);
    if (!frame.is_discarded()) frames.push_back(std::move(frame));
  }
  return frames;
}

// Polls a trace, at most `seconds`, until one of its frames satisfies `test`; that frame.
json WaitForFrame(const std::string& path, const std::function<bool(const json&)>& test, double seconds) {
  for (int i = 0; i < static_cast<int>(seconds * 10); ++i) {
    for (const json& frame : Frames(path))
      if (test(frame)) return frame;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return nullptr;
}

bool InChat(const std::vector<json>& frames, const char* memo, const std::string& line) {
  for (const json& f : frames) {
    if (!f.contains("net")) continue;
    for (const json& chat : f["net"][memo]["chat"])
      if (chat == line) return true;
  }
  return false;
}

TEST(OnlineMatchProcesses, HostTwoJoinsAMatchAClientKilledAndTheHostLeaving) {
  TTempDir dir;
  TBackgroundProgram master(LR_MASTER_BINARY, {"--bind", "127.0.0.1", "--port", "0"}, dir.Path().string(),
                            dir.File("master.out"), dir.File("master.err"));
  ASSERT_TRUE(master.Started());
  const std::string log = WaitForText(dir.File("master.err"), "listening on 127.0.0.1:", 20);
  const size_t at = log.find("listening on 127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << log;
  const std::string masterAddress = "127.0.0.1:" + std::to_string(std::atoi(log.c_str() + at + 23));

  // Alice hosts (her room listens where the system chooses), launches once the others had
  // time to join and get ready, walks, goes back to the room with Escape and leaves it.
  const std::string alice = dir.File("Alice");
  std::filesystem::create_directories(alice);
  WriteText(alice + "/Options.dat", SettingsWithName("Alice"));
  WriteText(alice + "/in.txt",
            "150 mouse 300 230\n151 click\n300 lobby host 8 Alice's game\n320 room ready\n"
            "1800 room launch\n2100 key Right down\n2130 key Right up\n"
            "2700 key Escape down\n2702 key Escape up\n2760 room leave\n");
  TBackgroundProgram host(LR_BINARY,
                          {"--headless", "--realtime", "--frames", "2900", "--master", masterAddress, "--room-port",
                           "0", "--input", "in.txt", "--trace", "t.jsonl"},
                          alice, alice + "/out", alice + "/err");
  const json hosting = WaitForFrame(
      alice + "/t.jsonl", [](const json& f) { return f.contains("net") && f["net"]["room"]["port"] != 0; }, 60);
  ASSERT_FALSE(hosting.is_null()) << ReadText(alice + "/err");
  const std::string roomPort = std::to_string(hosting["net"]["room"]["port"].get<int>());

  // Bob and Cy join the listed game and get ready; Bob stays on after the host has left.
  std::vector<std::unique_ptr<TBackgroundProgram>> guests;
  const char* const names[] = {"Bob", "Cy"};
  const char* const scripts[] = {
      "150 mouse 300 230\n151 click\n260 lobby join 1\n330 room ready\n",
      "150 mouse 300 230\n151 click\n280 lobby join 1\n350 room ready\n",
  };
  for (int i = 0; i < 2; ++i) {
    const std::string folder = dir.File(names[i]);
    std::filesystem::create_directories(folder);
    WriteText(folder + "/Options.dat", SettingsWithName(names[i]));
    WriteText(folder + "/in.txt", scripts[i]);
    guests.push_back(std::make_unique<TBackgroundProgram>(
        LR_BINARY,
        std::vector<std::string>{"--headless", "--realtime", "--frames", i == 0 ? "3300" : "9000", "--master",
                                 masterAddress, "--room-port", roomPort, "--input", "in.txt", "--trace", "t.jsonl"},
        folder, folder + "/out", folder + "/err"));
  }
  // Cy is killed a hundred frames into the first round's play.
  int64_t played = -1;
  const json cyInRound = WaitForFrame(
      dir.File("Cy") + "/t.jsonl",
      [&](const json& f) {
        if (f["GameMode"] != 1 || f["RoundNumber"] != 1 || !f.contains("net") || f["net"]["OnlineGame"] != 1) return false;
        if (played < 0) played = f["frame"].get<int64_t>();
        return f["frame"].get<int64_t>() >= played + 100;
      },
      120);
  ASSERT_FALSE(cyInRound.is_null()) << ReadText(dir.File("Cy") + "/err") << ReadText(alice + "/err");
  guests[1]->Signal(SIGKILL);
  EXPECT_EQ(host.Wait(150), 0) << ReadText(alice + "/err");
  EXPECT_EQ(guests[0]->Wait(150), 0) << ReadText(dir.File("Bob") + "/err");
  master.Signal(SIGTERM);
  EXPECT_EQ(master.Wait(10), 0);

  const std::vector<json> a = Frames(alice + "/t.jsonl");
  const std::vector<json> b = Frames(dir.File("Bob") + "/t.jsonl");
  const std::vector<json> c = Frames(dir.File("Cy") + "/t.jsonl");
  // All three started the same match: the same seed, level and players in seat order.
  auto firstLevel = [](const std::vector<json>& frames) {
    for (const json& f : frames)
      if (f.contains("level") && f.contains("net") && f["net"]["OnlineGame"] == 1) {
        json start = {f["level"], json::array()};
        for (const json& p : f["players"]) start[1].push_back({p["Name"], p["X"], p["Y"], p["ScaleX"]});
        return start;
      }
    return json();
  };
  const json start = firstLevel(a);
  ASSERT_FALSE(start.is_null());
  EXPECT_EQ(start[1].size(), 3u);
  EXPECT_EQ(start[1][0][0], "Alice");
  EXPECT_EQ(start[1][1][0], "Bob");
  EXPECT_EQ(start[1][2][0], "Cy");
  EXPECT_EQ(firstLevel(b), start);
  EXPECT_EQ(firstLevel(c), start);
  // Cy's seat is freed on the host and at Bob's; his player stays in their match.
  EXPECT_TRUE(InChat(a, "room", "Cy has left the game."));
  EXPECT_TRUE(InChat(b, "room", "Cy has left the game."));
  bool freedInMatch = false;
  for (const json& f : a)
    if (f.contains("net") && f["net"]["seats"].size() == 2 && f["net"]["OnlineGame"] == 1 && f["GameMode"] == 1 && f["players"].size() == 3)
      freedInMatch = true;
  EXPECT_TRUE(freedInMatch);
  // The master heard the counts: 3 at the launch, 2 once Cy had gone (its list says so).
  bool three = false, two = false;
  for (const json& f : a)
    for (const json& row : f.value("net", json::object()).value("lobby", json::object()).value("games", json::array())) {
      three = three || row[1] == "3 \\ 8";
      two = two || (three && row[1] == "2 \\ 8");
    }
  EXPECT_TRUE(three && two);
  // Escape brought Alice's room back with Bob in it, and leaving it the lobby.
  bool roomBack = false;
  for (const json& f : a)
    if (f.contains("net") && f["net"]["room"]["shown"] == true && f["net"]["OnlineGame"] == 1 && f["GameMode"] == 0 &&
        f["net"]["room"]["players"] == json::array({"Alice", "* Bob"}))
      roomBack = true;
  EXPECT_TRUE(roomBack);
  EXPECT_EQ(a.back()["net"]["lobby"]["shown"], true);
  EXPECT_EQ(a.back()["net"]["room"]["shown"], false);
  // Bob went back to the lobby by himself and his match ran on.
  EXPECT_TRUE(InChat(b, "lobby", "Left the game room: the host closed the game."));
  EXPECT_EQ(b.back()["net"]["lobby"]["shown"], true);
  EXPECT_EQ(b.back()["net"]["room"]["shown"], false);
  EXPECT_EQ(b.back()["GameMode"], 1);
  EXPECT_EQ(b.back()["net"]["OnlineGame"], 1);
}

}  // namespace
}  // namespace lr::test
