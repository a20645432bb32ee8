// What the local player of an online match tells the room, and when: one action when a
// movement starts, a stop when a held key is let go, the 1.5-second sync, the position as it
// travels, and the readiness at the round scoreboard.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "actors/PlayerUnit.h"
#include "game/LevelUnit.h"
#include "game/MainForm.h"
#include "net/WireCodec.h"
#include "platform/KeyTable.h"
#include "platform/KeyboardDevice.h"
#include "platform/RecordingAudio.h"

namespace lr {
namespace {

struct TSent {
  int64_t Frame;
  TAction Action;
};

// Player 1 alone in an online match on a floor of row 12, seat 2, with the room's hooks
// recording what would be sent.
class OnlineInput : public ::testing::Test {
 protected:
  void SetUp() override {
    Form = std::make_unique<TGForm>(
        TFormServices{.Clock = &Clock, .DataFolder = LR_BUILD_DIR "/data", .Keyboard = &Keyboard, .Audio = &Audio});
    ASSERT_TRUE(Form->FormCreate());
    Form->Player2->Kill();
    Form->SE.FreeDead();
    Form->Player2 = nullptr;
    Form->Players = {Form->Player1};
    Form->OnlineGame = 1;
    Form->GameMode = 1;
    Form->RoundTimer = -1;
    Form->PowerupCountdown = 1e9f;
    Me().NetIndex = 2;
    for (Integer col = 1; col <= 17; ++col) {
      auto* platform = new TPlatform(Form->SE);
      platform->SetImage(Form->Spr.Find("Platform"));
      platform->Collide = true;
      platform->SetX(static_cast<Single>(col * 32));
      platform->SetY(12 * 32);
    }
    Me().SetX(96);
    Me().SetY(12 * 32 - 63);
    Me().State = psStand;
    Form->RoomLink.SendAction = [this](const TAction& action) { Sent.push_back({FrameNumber, action}); };
    Form->RoomLink.SendReady = [this] { ++Readies; };
    // It lands on the floor and stands.
    Frame();
    Frame();
    ASSERT_EQ(Me().State, psStand);
    Sent.clear();
  }
  TPlayer& Me() { return *Form->Player1; }
  void Key(const char* name, bool down) { Keyboard.SetKey(FindKeyByName(name)->Dik, down); }
  // One frame as the runner does it: the heartbeat, then the frame.
  void Frame() {
    ++FrameNumber;
    Clock.Advance(Form->Timer.TicksPerFrame());
    Form->Timer1.Poll();
    Form->Timer.Tick();
  }
  std::vector<uint8_t> Codes() const {
    std::vector<uint8_t> codes;
    for (const TSent& s : Sent) codes.push_back(s.Action.Code);
    return codes;
  }

  VirtualClock Clock{0};
  TRecordingAudio Audio{Clock};
  TScriptedKeyboard Keyboard;
  std::unique_ptr<TGForm> Form;
  std::vector<TSent> Sent;
  int Readies = 0;
  int64_t FrameNumber = 0;
};

TEST_F(OnlineInput, HoldingRightSendsOneWalkThenSyncsAndTheReleaseAStopWithThePosition) {
  Key("Right", true);
  std::vector<Single> xs;  // where the player was at each frame's start
  for (int i = 0; i < 100; ++i) {
    xs.push_back(Me().X);
    Frame();
  }
  Key("Right", false);
  xs.push_back(Me().X);
  Frame();
  Frame();
  // Walking from the first frame, the sync 1.5 s after the start, the stop on release.
  const int64_t start = 3;  // the first frame after set-up
  ASSERT_EQ(Codes(), (std::vector<uint8_t>{naWalkRight, naSync, naStop}));
  EXPECT_EQ(Sent[0].Frame, start);
  EXPECT_EQ(Sent[1].Frame, 90);
  EXPECT_EQ(Sent[2].Frame, start + 100);
  for (const TSent& s : Sent) {
    EXPECT_EQ(s.Action.Seat, 2);
    EXPECT_EQ(s.Action.X, static_cast<uint16_t>(Round(xs[static_cast<size_t>(s.Frame - start)])));
    EXPECT_EQ(s.Action.Y, 321);
  }
  EXPECT_NEAR(Me().X, 96 + 100 * 1.6, 0.01);  // walked on every held frame
  EXPECT_FALSE(Me().KeyRight);  // the release cleared the flag, online too
  // Standing still, only the syncs go out.
  for (int i = 0; i < 90; ++i) Frame();
  EXPECT_EQ(Codes().back(), naSync);
  EXPECT_EQ(Sent.size(), 4u);
}

TEST_F(OnlineInput, EachMovementAnnouncesItselfOnlyWhenItStarts) {
  auto* rope = new TRope(Form->SE);
  rope->Piece = 1;
  enum TCommand { kWalkRight, kWalkLeft, kJump, kDuck, kClimb };
  struct TCase {
    TPlayerState From;
    bool Left, Right, Up, Down;
    TCommand Command;
    int Code;  // 0: nothing sent
    bool OnRope = true;
  };
  const TCase cases[] = {
      {psStand, false, false, false, false, kWalkRight, naWalkRight},
      {psClimb, false, false, false, false, kWalkRight, naWalkRight},  // off a rope to the right
      {psWalk, false, false, false, false, kWalkRight, 0},
      {psStand, false, false, false, false, kWalkLeft, naWalkLeft},
      {psClimb, false, false, false, false, kWalkLeft, 0},  // off a rope to the left: nothing
      {psWalk, false, false, false, false, kWalkLeft, 0},
      {psStand, true, false, false, false, kJump, naJumpLeft},
      {psStand, true, true, false, false, kJump, naJumpLeft},
      {psWalk, false, true, false, false, kJump, naJumpRight},
      {psStand, false, false, false, false, kJump, naJump},
      {psJump, false, false, false, false, kJump, 0},
      {psClimb, false, false, false, false, kJump, 0},
      {psStand, true, false, false, true, kDuck, naDuckLeft},
      {psWalk, false, true, false, true, kDuck, naDuckRight},
      {psStand, false, false, false, true, kDuck, naDuck},
      {psCrouch, false, false, false, true, kDuck, 0},
      {psRoll, true, false, false, true, kDuck, 0},
      {psStand, false, false, true, false, kClimb, naClimbUp},
      {psStand, false, false, true, true, kClimb, naClimbUp},
      {psStand, false, false, false, true, kClimb, naClimbDown},
      {psStand, false, false, false, false, kClimb, 0},
      {psClimb, false, false, true, false, kClimb, 0},
      {psStand, false, false, true, false, kClimb, 0, false},  // no rope to climb
  };
  for (const TCase& c : cases) {
    Sent.clear();
    TPlayer& p = Me();
    p.State = c.From;
    p.KeyLeft = c.Left;
    p.KeyRight = c.Right;
    p.KeyUp = c.Up;
    p.KeyDown = c.Down;
    p.Rope = c.OnRope ? rope : nullptr;
    switch (c.Command) {
      case kWalkRight: p.WalkRight(); break;
      case kWalkLeft: p.WalkLeft(); break;
      case kJump: p.Jump(-5); break;
      case kDuck: p.Duck(); break;
      case kClimb: p.Climb(); break;
    }
    EXPECT_EQ(Codes(), c.Code ? std::vector<uint8_t>{static_cast<uint8_t>(c.Code)} : std::vector<uint8_t>{})
        << "command " << c.Command << " from " << PlayerStateName(c.From);
  }
}

TEST_F(OnlineInput, OnlyTheLocalPlayerOfAnOnlineMatchSendsAndPositionsTravelRoundedInSixteenBits) {
  struct TCase {
    Single X, Y;
    uint16_t WireX, WireY;
  };
  const TCase cases[] = {
      {100.5f, 101.5f, 100, 102},           // halves to even
      {-0.6f, -40.2f, 0xFFFF, 0xFFD8},      // above or left of the screen
      {70000.0f, 480.49f, 70000 & 0xFFFF, 480},
      {3e9f, -3e9f, 0xFFFF, 0},             // beyond any int32: its nearest end
  };
  for (const TCase& c : cases) {
    Sent.clear();
    // The fields themselves: the engine's collision box has no room for such places.
    Me().X = c.X;
    Me().Y = c.Y;
    Me().SendAction(naSync);
    ASSERT_EQ(Sent.size(), 1u);
    EXPECT_EQ(Sent[0].Action.X, c.WireX) << c.X;
    EXPECT_EQ(Sent[0].Action.Y, c.WireY) << c.Y;
  }
  Sent.clear();
  TPlayer& other = *new TPlayer(Form->SE);
  other.State = psStand;
  other.WalkRight();
  Form->OnlineGame = 0;
  Me().State = psStand;
  Me().WalkRight();
  Form->Timer1Timer();
  EXPECT_TRUE(Sent.empty());
}

TEST_F(OnlineInput, SpaceAtTheRoundScoreboardTellsTheRoomOnceHoweverLongItIsHeld) {
  Key("Space", true);
  Frame();
  EXPECT_EQ(Readies, 0);  // not at a scoreboard
  Form->RoundState = 1;
  Form->ScoreFade = 200;
  Form->ScoreCountdown = 600;
  // A second player who is not ready keeps the board up.
  TPlayer& other = *new TPlayer(Form->SE);
  Form->Players.push_back(&other);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(Readies, 1);
  EXPECT_TRUE(Me().Ready);
  EXPECT_EQ(Form->RoundState, 1);
  Me().Ready = false;
  Form->OnlineGame = 0;
  Frame();
  EXPECT_EQ(Readies, 1);  // a local match tells nobody
}

}  // namespace
}  // namespace lr
