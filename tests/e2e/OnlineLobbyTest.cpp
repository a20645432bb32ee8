// Two headless games paced in real time and our master server, all on loopback: both log in,
// see each other online and each other's chat; one hosts, and the other sees the game listed.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <set>

#include <nlohmann/json.hpp>

#include "support/RunProgram.h"
#include "support/SettingsBytes.h"

namespace lr::test {
namespace {

using nlohmann::json;

// What one game's lobby showed at some frame of its run (each game leaves in the end).
struct TLobbySeen {
  std::set<std::set<std::string>> Online;  // the lists of names online
  std::vector<std::string> Chat;
  std::set<std::vector<std::string>> Games;  // grid rows
  std::set<std::string> Statuses;
  bool RoomHosted = false;
};

TLobbySeen ReadLobby(const std::string& trace) {
  TLobbySeen seen;
  for (const std::string& line : ReadLines(trace)) {
    const json frame = json::parse(line);
    if (!frame.contains("net")) continue;
    const json& lobby = frame["net"]["lobby"];
    seen.Online.insert(lobby["online"].get<std::set<std::string>>());
    for (const json& chat : lobby["chat"]) seen.Chat.push_back(chat.get<std::string>());
    for (const json& row : lobby["games"]) seen.Games.insert(row.get<std::vector<std::string>>());
    seen.Statuses.insert(lobby["status"].get<std::string>());
    seen.RoomHosted = seen.RoomHosted || (frame["net"]["room"]["shown"] == true && frame["net"]["room"]["host"] == true);
  }
  return seen;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(OnlineLobby, TwoGamesAndTheMasterServerMeetChatAndHost) {
  TTempDir dir;
  TBackgroundProgram master(LR_MASTER_BINARY, {"--bind", "127.0.0.1", "--port", "0"},
                            dir.Path().string(), dir.File("master.out"), dir.File("master.err"));
  ASSERT_TRUE(master.Started());
  const std::string log = WaitForText(dir.File("master.err"), "listening on 127.0.0.1:", 20);
  const size_t at = log.find("listening on 127.0.0.1:");
  ASSERT_NE(at, std::string::npos) << log;
  const std::string port = std::to_string(std::atoi(log.c_str() + at + 23));

  // The menu's "Online" pops in by frame 110; each game clicks it, chats, and Alice hosts. Bob
  // stays on longer: on a busy machine the two games' frames drift apart.
  const char* const names[] = {"Alice", "Bob"};
  const char* const frames[] = {"480", "780"};
  const char* const scripts[] = {
      "150 mouse 300 230\n151 click\n240 lobby chat hello from Alice\n300 lobby host 2 Alice's game\n",
      "150 mouse 300 230\n151 click\n250 lobby chat hi from Bob\n",
  };
  std::vector<std::unique_ptr<TBackgroundProgram>> games;
  for (int i = 0; i < 2; ++i) {
    const std::string folder = dir.File(names[i]);
    std::filesystem::create_directories(folder);
    WriteText(folder + "/Options.dat", SettingsWithName(names[i]));
    WriteText(folder + "/in.txt", scripts[i]);
    games.push_back(std::make_unique<TBackgroundProgram>(
        LR_BINARY,
        std::vector<std::string>{"--headless", "--realtime", "--frames", frames[i], "--master",
                                 "127.0.0.1:" + port, "--input", "in.txt", "--trace", "t.jsonl"},
        folder, folder + "/out", folder + "/err"));
  }
  for (int i = 0; i < 2; ++i) EXPECT_EQ(games[static_cast<size_t>(i)]->Wait(120), 0) << ReadText(dir.File(names[i]) + "/err");
  master.Signal(SIGTERM);
  EXPECT_EQ(master.Wait(10), 0);

  const TLobbySeen alice = ReadLobby(dir.File("Alice") + "/t.jsonl");
  const TLobbySeen bob = ReadLobby(dir.File("Bob") + "/t.jsonl");
  for (const TLobbySeen* seen : {&alice, &bob}) {
    EXPECT_TRUE(seen->Online.contains({"Alice", "Bob"}));
    EXPECT_TRUE(Contains(seen->Chat, "Alice> hello from Alice"));
    EXPECT_TRUE(Contains(seen->Chat, "Bob> hi from Bob"));
  }
  // Alice's room opened as its host; Bob's grid lists her game, with one player of two.
  EXPECT_TRUE(alice.RoomHosted);
  EXPECT_TRUE(std::any_of(bob.Games.begin(), bob.Games.end(), [](const std::vector<std::string>& row) {
    return row.size() == 4 && row[0] == "Alice's game" && row[1] == "1 \\ 2" && row[3] == "Open";
  }));
  EXPECT_TRUE(bob.Statuses.contains("Received all games."));
  // When Alice leaves, Bob sees her go.
  EXPECT_TRUE(Contains(bob.Chat, "Alice has left the Lobby"));
  EXPECT_NE(ReadText(dir.File("master.err")).find("Alice"), std::string::npos);
}

}  // namespace
}  // namespace lr::test
