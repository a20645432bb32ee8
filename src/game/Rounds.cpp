// The match and its rounds: starting a match, clearing the arena, building each round's level
// and placing the players, the new-round banner, closing a round and going back to the menu.
//
// [SECTION] Arena
// [SECTION] Match and rounds
// [SECTION] New-round banner
// [SECTION] Back to the menu
#include <algorithm>
#include <string>
#include <utility>

#include "actors/PlayerUnit.h"
#include "game/Lava.h"
#include "game/MainForm.h"
#include "game/TitleScreen.h"

namespace lr {

namespace {

// A local round: Player1 on the right-hand lower ledge facing left, Player2 on the left-hand
// one facing right.
constexpr Single kPlayer1StartX = 544, kPlayer2StartX = 64, kStartY = 320;

// The banner fades in until 150, holds, fades out after 180 and ends once past 195.
constexpr Single kBannerHoldFrom = 150;
constexpr Single kBannerFadeOutAfter = 180;
constexpr Single kBannerEndsAfter = 195;

// What every player starts a round with; the position and facing are set by the caller.
void ResetPlayer(TPlayer& player) {
  player.Item = nullptr;
  player.UseDelay = 0;
  player.StunTime = 0;
  player.ClearInput();
  player.VelX = 0;
  player.VelY = 0;
  player.State = psStand;
  player.Eliminated = false;
  player.Visible = true;
  player.DeathCause.clear();
  player.Killer = nullptr;
  // The ropes of the last level are gone: the next collision pass finds the new ones.
  player.Rope = nullptr;
  player.OnRope = false;
  player.RoundKills = 0;
  player.Ready = false;
}

Byte BannerAlpha(Single counter, Byte current) {
  if (counter < kBannerHoldFrom)
    return static_cast<Byte>(std::min(255.0, Round(static_cast<double>(counter) * 3.4)));
  if (counter > kBannerFadeOutAfter)
    return static_cast<Byte>(std::min(255.0, Round(255 - (static_cast<double>(counter) - 180) * 8.5)));
  return current;
}

}  // namespace

// [SECTION] Arena

void TGForm::RemoveArena() {
  // Everything but the players and the lava: level, bubbles, fired objects, particles and the
  // title sprites. They are freed by the next FreeDead.
  for (TSprite* sprite : SE.SpriteList)
    if (!dynamic_cast<TPlayer*>(sprite) && !dynamic_cast<TLava*>(sprite)) sprite->Kill();
  // The held items are bubbles that die here, and the ropes die with the level: nobody may
  // keep holding either. A player climbing when the round was decided still names its rope.
  for (TPlayer* player : Players) {
    player->Item = nullptr;
    player->Rope = nullptr;
    player->OnRope = false;
  }
  // Menu entries die here too; the list must not keep them past FreeDead.
  std::erase_if(MenuTexts, [](const TBounceText* entry) { return entry->Dead; });
}

// [SECTION] Match and rounds

void TGForm::StartGame() {
  if (GameSettings.Fullscreen) OS.ToggleFullScreen();
  MenuTexts.clear();
  GameMode = 1;
  RoundNumber = 0;
  // An online match keeps the round count its launch fixed, the same on every peer. A local
  // one takes the dialog's rounds field as it stands, applied or not, pulled into its range as
  // leaving the field would: a byte would turn a typed 300 into 44 rounds, and 0 would end the
  // match before its first round.
  if (OnlineGame == 0) {
    const TSpinEdit& rounds = OForm->RoundSpin;
    GameSettings.RoundCount =
        static_cast<Byte>(std::clamp(rounds.Value(), rounds.MinValue, rounds.MaxValue));
  }
  RemoveArena();
  for (TPlayer* player : Players) {
    player->Kills = 0;
    player->Deaths = 0;
    player->Wins = 0;
  }
  // Nothing shows through the fader until the banner starts a fade.
  Fader.SetStartColor(0, 0, 0, 0);
  Fader.SetEndColor(0, 0, 0, 0);
  StartRound();
}

void TGForm::StartRound() {
  RemoveArena();
  DeadPlayers.clear();
  RoundState = 0;

  if (OnlineGame == 0) {
    BuildLevel(Random(1000) + 1);
    if (Player1) {
      Player1->SetX(kPlayer1StartX);
      Player1->SetY(kStartY);
      Player1->ScaleX = -1.0f;
      ResetPlayer(*Player1);
    }
    if (Player2) {
      Player2->SetX(kPlayer2StartX);
      Player2->SetY(kStartY);
      Player2->ScaleX = 1.0f;
      ResetPlayer(*Player2);
    }
  } else {
    // Every peer builds from the launch seed and walks the same player list, so all draw the
    // same facings and start cells. Nothing else may draw from the generator in between.
    BuildLevel(LevelSeed);
    std::vector<TPlayer*> dropped;
    for (TPlayer* player : Players) {
      // From the second round on, whoever did not get ready at the scoreboard leaves.
      if (RoundNumber > 0 && !player->Ready) {
        dropped.push_back(player);
        continue;
      }
      player->ScaleX = Random(2) == 1 ? 1.0f : -1.0f;
      ResetPlayer(*player);
      PlaceOnPlatform(*player);
    }
    for (TPlayer* player : dropped) {
      SE.RemoveSprite(player);
      std::erase(Players, player);
      DroppedPlayers.emplace_back(player);
    }
  }

  RoundTimer = -1;
  RoundNumber += 1;
  GameMode = 3;
  BannerCounter = 0;
  // A match of no rounds ends at once.
  if (RoundNumber > GameSettings.RoundCount) StartMenu();
}

void TGForm::EndRound() {
  RoundState = RoundNumber == GameSettings.RoundCount ? 2 : 1;
  ScoreFade = 200;
  ScoreCountdown = static_cast<Single>(GameSettings.RoundDelay * 60);
  // Down to 179, so the frame's test for 180 does not fire again.
  RoundTimer -= TimeFactor;

  // Both scoreboards list the players by this round's kills, highest first. A bubble sort
  // that swaps only on strictly fewer kills keeps equal players in their order.
  bool swapped = true;
  while (swapped) {
    swapped = false;
    for (size_t i = 0; i + 1 < Players.size(); ++i) {
      if (Players[i]->RoundKills < Players[i + 1]->RoundKills) {
        std::swap(Players[i], Players[i + 1]);
        swapped = true;
      }
    }
  }
}

// [SECTION] New-round banner

void TGForm::DrawNewRound() {
  // Black over everything drawn this frame, the new level included.
  OS.Clear(0, 0, 0, 255);
  const std::string text =
      RoundNumber == GameSettings.RoundCount ? std::string("Final Round") : "Round " + std::to_string(RoundNumber);
  Font2.Red = 230;
  Font2.Green = 90;
  Font2.Blue = 0;
  Font2.Alpha = BannerAlpha(BannerCounter, Font2.Alpha);
  Font2.Write(320 - Font2.TextWidth(text) / 2, 240 - Font2.TextHeight(text) / 2, text);

  BannerCounter += TimeFactor;
  if (BannerCounter > kBannerEndsAfter) {
    GameMode = 1;
    // The round's background: three draws, blue first, then green, then red.
    const Integer blue = Random(128);
    const Integer green = Random(128);
    const Integer red = Random(128);
    BackColor = ColorARGB(red, green, blue, 255);
    Fader.FadeIn(0, 0, 0, 1.0f);
    for (TPlayer* player : Players) player->Visible = true;
  }
}

// [SECTION] Back to the menu

void TGForm::StartMenu() {
  if (GameSettings.Fullscreen) OS.ToggleFullScreen();
  // The title timeline starts again: the title falls and the entries pop in anew.
  TitleCounter = 0;
  GameMode = 0;
  RoundState = 0;
  RemoveArena();
  // The room takes an online match's players back (it shows again, or brings back the two
  // local players).
  if (OnlineGame == 1 && RoomLink.MatchOver) RoomLink.MatchOver();
}

}  // namespace lr
