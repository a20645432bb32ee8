// The online match as the game room runs it: the launch with its fixed rules, the actions and
// the readiness that travel during play, and the local players who step aside for it.
//
// [SECTION] Launch
// [SECTION] Actions
// [SECTION] Readiness at the round scoreboard
// [SECTION] The end of the match and the local players
#include <algorithm>
#include <array>
#include <utility>

#include "actors/PlayerUnit.h"
#include "game/MainForm.h"
#include "online/GameRoom.h"

namespace lr {

namespace {

// What a received action does to the player it names, after its flags were cleared: the flags
// it sets and the command it repeats. Codes 0, 9 and 10 are never sent and read like a stop;
// the sync only moves the player and leaves its flags alone.
enum class TCommand : uint8_t { None, Jump, Duck, Climb };
struct TActionEffect {
  bool ClearsInput;
  bool Left, Right, Up, Down;
  TCommand Command;
};
constexpr std::array<TActionEffect, naSync + 1> kActionEffects = {{
    // clears, left, right, up, down, command
    {true, false, false, false, false, TCommand::None},   // 0: read as a stop
    {true, false, true, false, false, TCommand::None},    // naWalkRight
    {true, true, false, false, false, TCommand::None},    // naWalkLeft
    {true, true, false, true, false, TCommand::Jump},     // naJumpLeft
    {true, false, false, true, false, TCommand::Jump},    // naJump
    {true, false, true, true, false, TCommand::Jump},     // naJumpRight
    {true, true, false, false, true, TCommand::Duck},     // naDuckLeft
    {true, false, true, false, true, TCommand::Duck},     // naDuckRight
    {true, false, false, false, true, TCommand::Duck},    // naDuck
    {true, false, false, false, false, TCommand::None},   // 9: read as a stop
    {true, false, false, false, false, TCommand::None},   // 10: read as a stop
    {true, false, false, true, false, TCommand::Climb},   // naClimbUp
    {true, false, false, false, true, TCommand::Climb},   // naClimbDown
    {true, false, false, false, false, TCommand::None},   // naStop
    {false, false, false, false, false, TCommand::None},  // naSync
}};

// The rules every machine of an online match plays by, whatever its options say.
void FixOnlineRules(TGameSettings& rules) {
  rules.PlatformDensity = 80;
  rules.RopeDensity = 10;
  rules.MovePower = 1.6f;
  rules.JumpPower = -5.0f;
  rules.ClimbPower = 1.7f;
  rules.Gravity = 0.22f;
  rules.RoundCount = 5;
  rules.RoundDelay = 10;
}

// Puts back the rules the launch fixed, as the local options had them.
void RestoreFixedRules(TGameSettings& rules, const TGameSettings& local) {
  rules.PlatformDensity = local.PlatformDensity;
  rules.RopeDensity = local.RopeDensity;
  rules.MovePower = local.MovePower;
  rules.JumpPower = local.JumpPower;
  rules.ClimbPower = local.ClimbPower;
  rules.Gravity = local.Gravity;
  rules.RoundCount = local.RoundCount;
  rules.RoundDelay = local.RoundDelay;
}

constexpr Single kOnlinePowerupCountdown = 5;

}  // namespace

// [SECTION] Launch

void TGmForm::LaunchGame() {
  TGForm& form = Main;
  const int own = OwnSeat();
  const TSeat* ownSeat = Seat(own);
  // Without its own ready seat this machine would have no player to steer.
  if (!ownSeat || !ownSeat->InUse || !ownSeat->IsReady) return;
  const bool firstLaunch = LocalPlayers.empty();
  StashLocalPlayers();
  // The players of an earlier online match go with it. (Players dropped from it are out of
  // the sprite engine already and stay with the form.)
  const auto isLocal = [this](const TPlayer* player) {
    return std::any_of(LocalPlayers.begin(), LocalPlayers.end(), [player](const auto& p) { return p.get() == player; });
  };
  for (TPlayer* player : form.Players)
    if (!isLocal(player)) player->Kill();
  form.Players.clear();
  form.DeadPlayers.clear();
  form.Player2 = nullptr;
  // One player per ready seat, in seat order, so Players is in the same order everywhere.
  for (int number = 1; number <= kSeatCount; ++number) {
    TSeat& seat = *Seat(number);
    seat.Player = nullptr;
    if (!seat.InUse || !seat.IsReady) continue;
    auto* player = new TPlayer(form.SE);  // owned by SE
    player->Name = seat.PlayerName;
    player->SetRed(seat.Red);
    player->SetGreen(seat.Green);
    player->SetBlue(seat.Blue);
    player->NetIndex = static_cast<Byte>(number);
    seat.Player = player;
    if (number == own) form.Player1 = player;
    form.Players.push_back(player);
  }
  Visible = false;
  form.Focused = true;
  form.OnlineGame = 1;
  if (firstLaunch) LocalRules = form.GameSettings;
  FixOnlineRules(form.GameSettings);
  form.PowerupCountdown = kOnlinePowerupCountdown;
  ++Revision;
  form.StartGame();
}

// [SECTION] Actions

void TGmForm::HandleAction(TPlayer& player, Byte code) {
  if (code >= kActionEffects.size()) return;
  const TActionEffect& effect = kActionEffects[code];
  if (!effect.ClearsInput) return;
  player.ClearInput();
  player.KeyLeft = effect.Left;
  player.KeyRight = effect.Right;
  player.KeyUp = effect.Up;
  player.KeyDown = effect.Down;
  switch (effect.Command) {
    case TCommand::Jump:
      player.Jump(Main.GameSettings.JumpPower);
      break;
    case TCommand::Duck:
      player.Duck();
      break;
    case TCommand::Climb:
      player.Climb();
      break;
    case TCommand::None:
      break;
  }
}

void TGmForm::SendAction(const TAction& action) {
  if (RoomRole == TRole::None) return;
  Note(TActionNote::TWay::Sent, action);
  const std::vector<uint8_t> bytes = Encode(action);
  if (RoomRole == TRole::Host)
    SendDataAll(bytes, -1);
  else
    SendToHost(bytes);
}

void TGmForm::TakeAction(const TAction& action) {
  Note(TActionNote::TWay::Received, action);
  TSeat* seat = Seat(action.Seat);
  // This machine steers its own player; a seat without a player in this match is not
  // steered at all.
  if (!seat || !seat->InUse || !seat->Player || action.Seat == OwnSeat()) return;
  // Signed: a player above the top of the screen stays above it.
  seat->Player->SetX(static_cast<int16_t>(action.X));
  seat->Player->SetY(static_cast<int16_t>(action.Y));
  HandleAction(*seat->Player, action.Code);
}

void TGmForm::Note(TActionNote::TWay way, const TAction& action) {
  if (ActionNotes.size() >= kMaxActionNotes) ActionNotes.erase(ActionNotes.begin());
  ActionNotes.push_back({.Way = way, .Action = action});
}

std::vector<TActionNote> TGmForm::TakeActionNotes() { return std::exchange(ActionNotes, {}); }

// [SECTION] Readiness at the round scoreboard

void TGmForm::SendRoundReady() {
  const int own = OwnSeat();
  if (!Seat(own)) return;
  const std::vector<uint8_t> bytes = Encode(TRoomRoundReady{.Seat = static_cast<uint8_t>(own)});
  if (RoomRole == TRole::Host)
    SendDataAll(bytes, -1);
  else if (RoomRole == TRole::Client)
    SendToHost(bytes);
}

void TGmForm::TakeRoundReady(int number) {
  TSeat* seat = Seat(number);
  // This machine knows its own player's mind. Outside the rounds and their scoreboards there
  // is nothing to go on with; a player the match has dropped is not in Players.
  if (!seat || !seat->InUse || !seat->Player || number == OwnSeat() || Main.GameMode != 1) return;
  if (std::find(Main.Players.begin(), Main.Players.end(), seat->Player) == Main.Players.end()) return;
  seat->Player->Ready = true;
}

// [SECTION] The end of the match and the local players

void TGmForm::MatchOver() {
  if (RoomRole == TRole::None) {
    RestoreLocalPlayers();
    return;
  }
  // The room comes back with its seats and connections, and this player has to tick
  // "Ready" again to play the next match: the untick is a click, so every room hears it.
  const int own = OwnSeat();
  TSeat* seat = Seat(own);
  if (seat && seat->InUse && seat->IsReady) {
    ReadyBox = true;
    ReadyBoxClick();
  }
  ReadyBox = false;
  UpdatePlayerList();
  Visible = true;
  ++Revision;
}

void TGmForm::StashLocalPlayers() {
  if (!LocalPlayers.empty()) return;
  TGForm& form = Main;
  for (TPlayer* player : {form.Player1, form.Player2}) {
    if (!player) continue;
    // Out of the engine but alive: the options dialog keeps editing their names and colours.
    form.SE.RemoveSprite(player);
    LocalPlayers.emplace_back(player);
  }
}

void TGmForm::RestoreLocalPlayers() {
  if (LocalPlayers.empty()) return;
  TGForm& form = Main;
  for (TPlayer* player : form.Players) player->Kill();
  form.Players.clear();
  form.DeadPlayers.clear();
  for (TSeat& seat : Seats) seat.Player = nullptr;
  std::array<TPlayer*, 2> local{};
  for (size_t i = 0; i < LocalPlayers.size() && i < local.size(); ++i) {
    local[i] = LocalPlayers[i].release();
    local[i]->NetIndex = 0;
    form.SE.InsertSorted(local[i]);
    form.Players.push_back(local[i]);
  }
  LocalPlayers.clear();
  form.Player1 = local[0];
  form.Player2 = local[1];
  form.OnlineGame = 0;
  RestoreFixedRules(form.GameSettings, LocalRules);
}

}  // namespace lr
