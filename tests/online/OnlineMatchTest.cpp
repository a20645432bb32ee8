// A whole online match of three games in one process: a host and two clients launch from the
// room and play five rounds with scripted keys. Every machine builds every round's level from
// the launch seed and places the players alike, seat 2's actions reach the host and seat 3 and
// never come back to seat 2, a player who does not go on at a scoreboard is dropped on every
// machine, and the same run gives the same traces.
#include <gtest/gtest.h>


#include <map>
#include <string>
#include <vector>

#include "online/RoomRig.h"

namespace lr::testing {
namespace {

using nlohmann::ordered_json;
using K = TRoomAction::TKind;

// Cy does not go on at this round's scoreboard, and the next round goes on without him.
constexpr int kCyStopsAfterRound = 4;
// Frames of play after which the round's losers fall into the lava on their own machines.
constexpr int kFallAt = 70;

// Who is put into the lava on their own machine in each round (by seat); the others learn it
// from the next position sync.
bool Falls(int seat, int round) {
  if (round == 5) return seat == 2;
  const int survivor = (round - 1) % 3 + 1;
  return seat != survivor;
}

// The keys each seat presses during a round, by its machine's frame of play.
struct TPress {
  int Seat;
  int From, To;  // frames of play, To excluded
  const char* Key;
};
constexpr TPress kPresses[] = {
    {1, 5, 15, "Right"}, {1, 30, 32, "Up"},   {1, 50, 56, "Left"},
    {2, 8, 16, "Left"},  {2, 20, 26, "Down"}, {2, 40, 41, "Up"},
    {3, 12, 20, "Right"}, {3, 25, 26, "Up"},  {3, 44, 50, "Left"},
};

struct TMatchRun {
  std::vector<std::vector<std::string>> Traces;  // per game, one JSON line per frame
  std::vector<std::vector<ordered_json>> Records;
};

// Plays the match; every game's trace lines.
TMatchRun PlayMatch() {
  TRoomRig rig;
  TRoomGame& ann = rig.AddGame("Ann", 1000);
  rig.Host(ann);
  TRoomGame& bob = rig.AddGame("Bob", 2000);
  rig.Join(bob);
  TRoomGame& cy = rig.AddGame("Cy", 3000);
  rig.Join(cy);
  for (TRoomGame* game : {&ann, &bob, &cy}) rig.Act(*game, K::Ready);
  rig.Act(ann, K::Launch);

  std::map<TRoomGame*, int> play;  // frames of play of each machine's current round
  const std::vector<TRoomGame*> games = {&ann, &bob, &cy};
  const auto allDone = [&] {
    return std::all_of(games.begin(), games.end(), [](TRoomGame* g) { return g->Form->RoundState == 2; });
  };
  for (int frame = 0; frame < 8000 && !allDone(); ++frame) {
    for (size_t i = 0; i < games.size(); ++i) {
      TRoomGame& game = *games[i];
      TGForm& form = *game.Form;
      const int seat = static_cast<int>(i) + 1;
      play[&game] = form.GameMode == 1 && form.RoundState == 0 ? play[&game] + 1 : 0;
      for (const char* key : {"Left", "Right", "Up", "Down", "Space"}) game.Key(key, false);
      for (const TPress& p : kPresses)
        if (p.Seat == seat && play[&game] >= p.From && play[&game] < p.To) game.Key(p.Key, true);
      if (play[&game] == kFallAt && Falls(seat, form.RoundNumber)) game.Me().SetY(470);
      if (form.RoundState == 1 && !(seat == 3 && form.RoundNumber == kCyStopsAfterRound)) game.Key("Space", true);
    }
    rig.Frame();
  }
  EXPECT_TRUE(allDone()) << "the match did not end on every machine";
  TMatchRun run;
  for (TRoomGame* game : games) {
    run.Traces.emplace_back();
    // Where the host listens is the system's choice, different every run.
    for (ordered_json& record : game->Records) record["net"]["room"].erase("port");
    for (const ordered_json& record : game->Records) run.Traces.back().push_back(record.dump());
    run.Records.push_back(game->Records);
  }
  return run;
}

// Each round's start as a machine's trace shows it: the level and where each player stands.
std::vector<ordered_json> RoundStarts(const std::vector<ordered_json>& records) {
  std::vector<ordered_json> starts;
  for (const ordered_json& r : records) {
    if (!r.contains("level")) continue;
    ordered_json start;
    start["round"] = r["RoundNumber"];
    start["level"] = r["level"];
    for (const ordered_json& p : r["players"])
      start["players"].push_back({p["Name"], p["X"], p["Y"], p["ScaleX"], p["Ready"]});
    starts.push_back(start);
  }
  return starts;
}

// The actions of one seat that a machine sent, received or passed on, in order.
std::vector<ordered_json> Actions(const std::vector<ordered_json>& records, const char* way, int seat) {
  std::vector<ordered_json> found;
  for (const ordered_json& r : records)
    for (const ordered_json& a : r["net"]["actions"])
      if (a["dir"] == way && a["seat"] == seat) found.push_back({a["code"], a["x"], a["y"]});
  return found;
}

TEST(OnlineMatch, ThreeMachinesPlayFiveRoundsOnOneLevelAndTheSameRunGivesTheSameTraces) {
  const TMatchRun run = PlayMatch();
  ASSERT_EQ(run.Records.size(), 3u);
  const ordered_json& last = run.Records[0].back();
  EXPECT_EQ(last["RoundNumber"], 5);
  EXPECT_EQ(last["net"]["OnlineGame"], 1);

  // Every round starts with the same level and the same placements on all three.
  const std::vector<ordered_json> starts = RoundStarts(run.Records[0]);
  ASSERT_EQ(starts.size(), 5u);
  for (const ordered_json& start : starts) EXPECT_EQ(start["level"], starts[0]["level"]) << start["round"];
  EXPECT_EQ(starts[0]["level"]["seed"], run.Records[0].back()["net"]["LevelSeed"]);
  EXPECT_EQ(RoundStarts(run.Records[1]), starts);
  EXPECT_EQ(RoundStarts(run.Records[2]), starts);
  // Cy did not go on after round 4: he is out of round 5 everywhere, his own machine too.
  ASSERT_EQ(starts[3]["players"].size(), 3u);
  ASSERT_EQ(starts[4]["players"].size(), 2u);
  EXPECT_EQ(starts[4]["players"][0][0], "Ann");
  EXPECT_EQ(starts[4]["players"][1][0], "Bob");
  // Seat 2's actions reach the host and seat 3 in the order sent, and never seat 2 again.
  const std::vector<ordered_json> sent = Actions(run.Records[1], "sent", 2);
  EXPECT_GT(sent.size(), 10u);
  EXPECT_EQ(Actions(run.Records[0], "received", 2), sent);
  EXPECT_EQ(Actions(run.Records[0], "relayed", 2), sent);
  EXPECT_EQ(Actions(run.Records[2], "received", 2), sent);
  EXPECT_TRUE(Actions(run.Records[1], "received", 2).empty());
  // The host's own go to both clients.
  EXPECT_EQ(Actions(run.Records[1], "received", 1), Actions(run.Records[0], "sent", 1));
  EXPECT_EQ(Actions(run.Records[2], "received", 1), Actions(run.Records[0], "sent", 1));

  // The second run listens on another port the system picks; everything else is the same.
  auto withoutPort = [](std::string line) {
    if (const size_t at = line.find("\"port\":"); at != std::string::npos) {
      size_t end = at + 7;
      while (end < line.size() && line[end] >= '0' && line[end] <= '9') ++end;
      line.erase(at, end - at);
    }
    return line;
  };
  const TMatchRun again = PlayMatch();
  for (size_t game = 0; game < 3; ++game) {
    ASSERT_EQ(again.Traces[game].size(), run.Traces[game].size()) << game;
    for (size_t line = 0; line < run.Traces[game].size(); ++line)
      ASSERT_EQ(withoutPort(again.Traces[game][line]), withoutPort(run.Traces[game][line]))
          << "game " << game << " frame " << line + 1;
  }
}

}  // namespace
}  // namespace lr::testing
