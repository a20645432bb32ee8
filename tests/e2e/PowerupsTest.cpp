// Powerups end to end: scripted scenes through the headless runner, with bubbles and players
// put in place by the sandbox options and the outcome read from the trace.
//
// Every scene starts the first round by mouse; the round is in play from frame 297 on, which
// is play tick 1 of the sandbox. Green Man (W, A, S, D, use Q) stands at x 64 on the left
// ledge (x 64 to 191), Red Man (arrows, use Return) at x 544 on the right one, both at y 321
// and facing each other. Random bubbles are switched off.
#include <gtest/gtest.h>

#include <string_view>
#include <nlohmann/json.hpp>

#include "support/RunProgram.h"

namespace lr::test {
namespace {

using nlohmann::json;

constexpr int kFirstPlayFrame = 297;

// The trace of a scene, indexed by frame number (entry 0 is unused).
std::vector<json> RunScene(const std::string& keys, int frames, const std::vector<std::string>& sandbox) {
  TTempDir dir;
  WriteText(dir.File("in.txt"), "100 mouse 320 170\n101 click\n" + keys);
  std::vector<std::string> args = {"--headless", "--frames", std::to_string(frames), "--seed",   "4242",
                                   "--input",    dir.File("in.txt"), "--trace", dir.File("t.jsonl"), "--powerups",
                                   "none"};
  args.insert(args.end(), sandbox.begin(), sandbox.end());
  const TRunResult run = RunGame(args);
  EXPECT_EQ(run.ExitCode, 0) << run.Err;
  std::vector<json> trace(1);
  for (const std::string& line : ReadLines(dir.File("t.jsonl"))) trace.push_back(json::parse(line));
  EXPECT_EQ(trace.size(), static_cast<size_t>(frames) + 1);
  return trace;
}

const json& Red(const json& frame) { return frame["players"][0]; }
const json& Green(const json& frame) { return frame["players"][1]; }

int Sprites(const json& frame, const char* className) {
  return frame["sprites"].contains(className) ? frame["sprites"][className].get<int>() : 0;
}

int TimesPlayed(const json& frame, std::string_view sound) {
  int times = 0;
  for (const json& s : frame["sounds"]) times += s.get_ref<const std::string&>() == sound ? 1 : 0;
  return times;
}

bool Played(const json& frame, std::string_view sound) { return TimesPlayed(frame, sound) > 0; }

// The first frame from `from` on that satisfies the test, or 0.
template <class Test>
int FirstFrame(const std::vector<json>& t, int from, Test test) {
  for (int f = from; f < static_cast<int>(t.size()); ++f)
    if (test(t[static_cast<size_t>(f)])) return f;
  return 0;
}

TEST(Powerups, ChargesCancelEachOtherButAChargeKillsTheUnchargedAndIsKept) {
  // Red stands on Green's ledge; Green walks into it.
  const std::vector<std::string> together = {"--place", "1:1:160:321", "--bubble", "1:electricity:64:330"};
  std::vector<std::string> both = together;
  both.insert(both.end(), {"--bubble", "1:electricity:160:330"});

  auto t = RunScene("310 key D down\n", 380, both);
  ASSERT_EQ(Red(t[kFirstPlayFrame])["Item"], "pkElectricity");
  ASSERT_EQ(Green(t[kFirstPlayFrame])["Charges"], -1);
  const int meet = FirstFrame(t, kFirstPlayFrame, [](const json& f) { return Green(f)["Item"].is_null(); });
  ASSERT_GT(meet, 310);
  EXPECT_TRUE(Red(t[meet])["Item"].is_null());
  EXPECT_FALSE(Red(t[meet])["Eliminated"]);
  EXPECT_FALSE(Green(t[meet])["Eliminated"]);
  EXPECT_EQ(Red(t[meet])["Killer"], "Green Man");
  EXPECT_EQ(Green(t[meet])["Killer"], "Red Man");
  EXPECT_TRUE(Played(t[meet], "Bzzt"));
  // The 30 sparks where they met, beside the few a charged player gives off.
  EXPECT_LT(Sprites(t[meet - 1], "TParticle_Elec"), 30);
  EXPECT_GE(Sprites(t[meet], "TParticle_Elec"), 30);

  t = RunScene("310 key D down\n", 380, together);
  const int shock = FirstFrame(t, kFirstPlayFrame, [](const json& f) { return Red(f)["Eliminated"] == true; });
  ASSERT_GT(shock, 310);
  EXPECT_EQ(Red(t[shock])["DeathCause"], "Electricity");
  EXPECT_EQ(Red(t[shock])["Killer"], "Green Man");
  EXPECT_EQ(Red(t[shock])["State"], "psTumble");
  EXPECT_LT(Red(t[shock])["VelY"].get<double>(), -17);  // flung
  EXPECT_EQ(Green(t[shock])["Item"], "pkElectricity");
  EXPECT_EQ(Green(t[shock])["Kills"], 1);
  EXPECT_EQ(Green(t[shock])["Wins"], 1);
}

TEST(Powerups, FallsIntoTheLavaAreCreditedToThePusherAndToTheSwitcher) {
  // Green walks into Red, who stands still near the ledge's end and is shoved off it.
  auto t = RunScene("310 key D down\n", 420, {"--place", "1:1:160:321"});
  int death = FirstFrame(t, kFirstPlayFrame, [](const json& f) { return Red(f)["Eliminated"] == true; });
  ASSERT_GT(death, 0);
  EXPECT_EQ(Red(t[death])["DeathCause"], "Lava");
  EXPECT_EQ(Red(t[death])["Killer"], "Green Man");
  EXPECT_EQ(Green(t[death])["Kills"], 1);

  // Green, holding a handgun, takes a Switch Places bubble: the pickup counts, the gun stays
  // held, and Red, now on the left ledge, walks off it into the lava untouched.
  t = RunScene("310 key Left down\n", 420,
               {"--bubble", "1:handgun:64:330", "--bubble", "5:switch-places:64:330"});
  const int swap = FirstFrame(t, kFirstPlayFrame, [](const json& f) { return Red(f)["X"] == 64; });
  ASSERT_GT(swap, 0);
  EXPECT_TRUE(Played(t[swap], "Loadup"));
  EXPECT_EQ(Green(t[swap])["X"], 544);
  EXPECT_EQ(Green(t[swap])["Item"], "pkHandgun");
  EXPECT_EQ(Green(t[swap])["Pickups"], json({0, 0, 0, 1, 0, 0, 0, 1, 0}));
  EXPECT_EQ(Sprites(t[swap], "TParticle_Elec"), 50);
  death = FirstFrame(t, swap, [](const json& f) { return Red(f)["Eliminated"] == true; });
  ASSERT_GT(death, 310);
  EXPECT_EQ(Red(t[death])["DeathCause"], "Switch Places");
  EXPECT_EQ(Red(t[death])["Killer"], "Green Man");
  EXPECT_EQ(Green(t[death])["Kills"], 1);

  // Nobody touched Red before its fall: nobody is credited.
  t = RunScene("310 key Right down\n", 420, {});
  death = FirstFrame(t, kFirstPlayFrame, [](const json& f) { return Red(f)["Eliminated"] == true; });
  ASSERT_GT(death, 0);
  EXPECT_TRUE(Red(t[death])["Killer"].is_null());
  EXPECT_EQ(Green(t[death])["Kills"], 0);
}

TEST(Powerups, StandingShotsPassOverACrouchingPlayerAndTheCrouchedFifthHitsAndEmptiesTheGun) {
  // Red crouches from frame 300; Green fires four standing shots, then crouches for a fifth.
  std::string keys = "300 key Down down\n";
  for (int frame : {310, 360, 410, 460, 510}) keys += std::to_string(frame) + " key Q down\n" + std::to_string(frame + 1) + " key Q up\n";
  keys += "500 key S down\n";
  const auto t = RunScene(keys, 620, {"--bubble", "1:handgun:64:330"});
  int shots = 0;
  for (int f = kFirstPlayFrame; f <= 510; ++f) {
    if (!Played(t[f], "Gun")) continue;
    ++shots;
    EXPECT_EQ(Green(t[f])["Charges"], shots < 5 ? json(5 - shots) : json(nullptr)) << f;
    EXPECT_EQ(Green(t[f])["State"], shots < 5 ? "psAttack" : "psCrouchShoot") << f;
    EXPECT_EQ(Green(t[f])["UseDelay"], 39) << f;
  }
  EXPECT_EQ(shots, 5);
  EXPECT_GT(Sprites(t[450], "TBullet"), 0);
  EXPECT_FALSE(Red(t[510])["Eliminated"]);  // the standing shots flew over
  const int hit = FirstFrame(t, 510, [](const json& f) { return Red(f)["Eliminated"] == true; });
  ASSERT_GT(hit, 0);
  EXPECT_EQ(Red(t[hit])["DeathCause"], "Handgun");
  EXPECT_EQ(Red(t[hit])["Killer"], "Green Man");
  EXPECT_TRUE(Played(t[hit], "Boom"));
  EXPECT_GE(Sprites(t[hit], "TParticle_Smoke"), 150);

  // Fired facing right from x 590 (on the upper ledge), the shot starts at 611 and is gone
  // within its first tick: no frame ever shows it.
  const auto edge = RunScene("310 key Q down\n311 key Q up\n", 330,
                             {"--place", "1:2:590:33", "--bubble", "1:handgun:590:40"});
  EXPECT_TRUE(Played(edge[310], "Gun"));
  EXPECT_EQ(Green(edge[310])["Charges"], 4);
  for (size_t f = 1; f < edge.size(); ++f) EXPECT_EQ(Sprites(edge[f], "TBullet"), 0) << f;
}

TEST(Powerups, AGloveMissesACrouchingPlayerAndAHitStunsBothOnce) {
  const auto t = RunScene("300 key Down down\n310 key Q down\n311 key Q up\n380 key Down up\n400 key Q down\n401 key Q up\n",
                          480, {"--bubble", "1:spring-glove:64:330"});
  // The first punch goes out over the whole ledge gap and back without touching Red.
  EXPECT_TRUE(Played(t[310], "Spring"));
  EXPECT_EQ(Green(t[310])["Charges"], 6);
  for (int f = 310; f < 380; ++f) {
    EXPECT_EQ(Red(t[f])["State"], "psCrouch") << f;
    EXPECT_FALSE(Played(t[f], "Ouff")) << f;
  }
  EXPECT_EQ(Sprites(t[351], "TGlove"), 1);
  EXPECT_EQ(Sprites(t[352], "TGlove"), 0);

  // The second reaches the standing Red.
  const int hit = FirstFrame(t, 400, [](const json& f) { return Red(f)["StunTime"] == 25; });
  ASSERT_GT(hit, 400);
  EXPECT_EQ(Red(t[hit])["State"], "psTumble");
  EXPECT_EQ(Red(t[hit])["DeathCause"], "Spring Glove");
  EXPECT_EQ(Red(t[hit])["Killer"], "Green Man");
  EXPECT_FALSE(Red(t[hit])["Eliminated"]);
  EXPECT_GT(Red(t[hit])["VelX"].get<double>(), 4);
  EXPECT_EQ(Green(t[hit])["StunTime"], 10);
  EXPECT_EQ(Green(t[hit])["UseDelay"], 10);
  EXPECT_EQ(Sprites(t[hit], "TParticle_Smoke"), 30);
  EXPECT_TRUE(Played(t[hit], "Ouff"));
  // It turned back at once: Red's stun runs down undisturbed.
  for (int f = hit + 1; f < hit + 10; ++f) EXPECT_EQ(Red(t[f])["StunTime"], 25 - (f - hit)) << f;
  // The puncher's stun ends after ten ticks; the glove is gone the tick it leaves psAttack.
  EXPECT_EQ(Green(t[hit + 9])["State"], "psAttack");
  EXPECT_EQ(Green(t[hit + 10])["State"], "psStand");
  EXPECT_EQ(Sprites(t[hit + 10], "TGlove"), 1);
  EXPECT_EQ(Sprites(t[hit + 11], "TGlove"), 0);
}

TEST(Powerups, AMineKillsItsOwnPlacerCreditingNobody) {
  const auto t = RunScene("310 key Q down\n311 key Q up\n330 key D down\n", 370, {"--bubble", "1:landmine:64:330"});
  EXPECT_TRUE(Played(t[310], "Mine"));
  EXPECT_EQ(Green(t[310])["State"], "psCrouch");
  EXPECT_TRUE(Green(t[310])["Item"].is_null());
  EXPECT_EQ(Sprites(t[310], "TMine"), 1);
  const int blast = FirstFrame(t, 311, [](const json& f) { return Green(f)["Eliminated"] == true; });
  ASSERT_GT(blast, 0);
  EXPECT_EQ(Green(t[blast])["DeathCause"], "Landmine");
  EXPECT_EQ(Green(t[blast])["Killer"], "Green Man");
  EXPECT_EQ(Green(t[blast])["Kills"], 0);
  EXPECT_EQ(Green(t[blast])["Deaths"], 1);
  EXPECT_EQ(Red(t[blast])["Wins"], 1);
  EXPECT_EQ(Sprites(t[blast], "TMine"), 0);
  EXPECT_TRUE(Played(t[blast], "Boom"));
  // The 75 fire puffs live 32 ticks.
  EXPECT_EQ(Sprites(t[blast], "TParticle_Smoke"), 75);
  EXPECT_EQ(Sprites(t[blast + 31], "TParticle_Smoke"), 75);
  EXPECT_EQ(Sprites(t[blast + 32], "TParticle_Smoke"), 0);
}

TEST(Powerups, OneDeathBubbleBlowsUpBothPlayersInOneFrameAndFloatsOn) {
  const auto t = RunScene("", 310, {"--place", "1:1:80:321", "--bubble", "1:death:72:330"});
  const json& f = t[kFirstPlayFrame];
  for (const json& p : f["players"]) {
    EXPECT_TRUE(p["Eliminated"]);
    EXPECT_EQ(p["DeathCause"], "Floating Death");
    EXPECT_TRUE(p["Killer"].is_null());
    EXPECT_EQ(p["Pickups"], json({0, 0, 0, 0, 0, 0, 0, 0, 0}));
  }
  // Green died first and so made Red the winner; the countdown was started once.
  EXPECT_EQ(Red(f)["Wins"].get<int>() + Green(f)["Wins"].get<int>(), 1);
  EXPECT_EQ(Red(f)["Wins"], 1);
  EXPECT_EQ(f["RoundTimer"], 240);
  EXPECT_EQ(t[kFirstPlayFrame + 1]["RoundTimer"], 239);
  EXPECT_EQ(Sprites(f, "TParticle_Smoke"), 300);
  EXPECT_EQ(TimesPlayed(f, "Boom"), 2);
  EXPECT_EQ(Sprites(t[309], "TItem"), 1);
}

TEST(Powerups, DynamiteDriftsThroughAPlayerAndDropsTheNextPlatform) {
  const auto t = RunScene("", 420, {"--bubble", "1:dynamite:64:330:1:0.5"});
  const int burst = FirstFrame(t, kFirstPlayFrame, [](const json& f) { return Played(f, "Boom"); });
  ASSERT_GT(burst, kFirstPlayFrame + 1);
  EXPECT_EQ(Sprites(t[burst], "TItem"), 0);
  EXPECT_EQ(Sprites(t[burst], "TParticle_Smoke"), 50);
  const int splash = FirstFrame(t, burst, [](const json& f) { return Played(f, "Splash"); });
  ASSERT_GT(splash, burst);
  EXPECT_EQ(Sprites(t[splash], "TPlatform"), Sprites(t[burst], "TPlatform") - 1);
  EXPECT_EQ(Sprites(t[splash], "TParticle_Lava"), 50);
  // Green was never touched by it.
  for (int f = kFirstPlayFrame + 3; f < static_cast<int>(t.size()); ++f) {
    EXPECT_EQ(Green(t[f])["State"], "psStand") << f;
    EXPECT_EQ(Green(t[f])["Pickups"], json({0, 0, 0, 0, 0, 0, 0, 0, 0})) << f;
  }
}

TEST(Powerups, SpringBootsAndElectricityAreNeverUsedUp) {
  const auto t = RunScene(
      "310 key Q down\n311 key Q up\n310 key Return down\n311 key Return up\n"
      "400 key Q down\n401 key Q up\n400 key Return down\n401 key Return up\n",
      420, {"--bubble", "1:spring-boots:64:330", "--bubble", "1:electricity:544:330"});
  for (int f : {310, 400}) {
    EXPECT_TRUE(Played(t[f], "Spring")) << f;
    // 1.35 times the jump power, less one tick of gravity.
    EXPECT_NEAR(Green(t[f])["VelY"].get<double>(), -6.75 + 0.22, 1e-4) << f;
    EXPECT_EQ(Green(t[f])["Item"], "pkSpringBoots") << f;
    EXPECT_EQ(Green(t[f])["Charges"], -1) << f;
    EXPECT_EQ(Red(t[f])["Item"], "pkElectricity") << f;
  }
  EXPECT_EQ(Red(t[420])["Charges"], -1);
}

TEST(Powerups, BadSandboxOptionsExitWithCodeTwoAndOneLine) {
  const std::vector<std::vector<std::string>> cases = {
      {"--bubble", "1:rocket:10:10"}, {"--bubble", "0:handgun:10:10"},   {"--bubble", "1:handgun:10"},
      {"--bubble", "1:9:10:10"},      {"--bubble", "1:handgun:x:10"},    {"--bubble", "1:handgun:10:10:1"},
      {"--bubble", "1:handgun:1e9:10"}, {"--place", "1:3:10:10"},        {"--place", "1:1:10:nan"},
      {"--powerups", "handgun,rocket"}, {"--powerups", ""},
  };
  for (std::vector<std::string> args : cases) {
    const std::string joined = args[0] + " " + args[1];
    args.insert(args.begin(), {"--headless", "--frames", "1"});
    const TRunResult run = RunGame(args);
    EXPECT_EQ(run.ExitCode, 2) << joined;
    ASSERT_FALSE(run.Err.empty()) << joined;
    EXPECT_EQ(run.Err.find('\n'), run.Err.size() - 1) << joined << ": " << run.Err;
  }
}

}  // namespace
}  // namespace lr::test
