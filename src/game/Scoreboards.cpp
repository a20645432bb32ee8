// The round scoreboard, which counts down to the next round, and the final scoreboard, which
// stays until Escape. Both fade in over the frozen arena.
#include <algorithm>
#include <string>

#include "actors/PlayerUnit.h"
#include "game/MainForm.h"
#include "text/Codepage.h"

namespace lr {

namespace {

constexpr Single kFadeFrames = 200;

Byte ClampByte(double value) { return static_cast<Byte>(std::clamp(value, 0.0, 255.0)); }

// Fade and countdown, the darkened arena and the board's title picture. Returns the alpha of
// everything else the board draws: 1 on its first frame, 255 once the fade is over.
Byte DrawBoardStart(TGForm& form, const char* picture, Integer x, Integer y) {
  form.ScoreFade = std::max(0.0f, form.ScoreFade - form.TimeFactor);
  // The countdown waits for the fade to finish.
  if (form.ScoreFade == 0) form.ScoreCountdown = std::max(0.0f, form.ScoreCountdown - form.TimeFactor);
  const Byte alpha = ClampByte(255 - Round(1.275 * form.ScoreFade));
  form.Prim.DrawRect(ColorARGB(0, 0, 0, ClampByte(Round(kFadeFrames - form.ScoreFade))), 0, 0, 640, 480);
  if (TImageListItem* title = form.Spr.Find(picture))
    title->DrawRGBA(x, y, 0, 0.5f, 0.5f, 1, 1, 255, 255, 255, alpha, 0, 0);
  return alpha;
}

// A player's name as the boards list it: the computer's players are marked.
std::string BoardName(const TGForm& form, const TPlayer& player) {
  return form.PlayedByComputer(&player) ? player.Name + " (CPU)" : player.Name;
}

bool IsDead(const TGForm& form, const TPlayer* player) {
  return std::find(form.DeadPlayers.begin(), form.DeadPlayers.end(), player) != form.DeadPlayers.end();
}

// A player's name, 8-bit text, in the player's colour; the font engine takes UTF-8.
void TextInColour(TOmegaFont& font, Integer x, Integer y, const std::string& text, const TPlayer& player,
                  Byte alpha) {
  font.TextOut(x, y, Cp1252ToUtf8(text), static_cast<Byte>(player.Red), static_cast<Byte>(player.Green),
               static_cast<Byte>(player.Blue), alpha);
}

}  // namespace

// [SECTION] Round scoreboard

void TGForm::DrawRoundScoreboard() {
  const Byte a = DrawBoardStart(*this, "L_PRR", 110, 15);

  Font2.TextOut(100, 95, "NAME", 255, 255, 255, a);
  Font2.TextOut(260, 95, "KILLS", 255, 255, 255, a);
  Font2.TextOut(410, 95, "CAUSE", 255, 255, 255, a);
  for (size_t i = 0; i < Players.size(); ++i) {
    const TPlayer& player = *Players[i];
    const auto y = static_cast<Integer>(150 + 30 * i);
    TextInColour(Font, 100, y, BoardName(*this, player), player, a);
    Font.TextOut(290, y, std::to_string(player.RoundKills), 255, 64, 64, a);
    if (!IsDead(*this, &player)) {
      Font.TextOut(380, y, "-----", 128, 128, 128, a);
    } else {
      Font.TextOut(370, y, player.DeathCause.empty() ? "Suicide" : player.DeathCause, 128, 128, 128, a);
      if (player.Killer) TextInColour(Font, 490, y, "(" + player.Killer->Name + ")", *player.Killer, a);
    }
    if (player.Ready) Font.TextOut(15, y, "READY", 0, 200, 255, a);
  }
  const auto seconds = static_cast<Integer>(Round(ScoreCountdown / 60.0));
  Font.TextOut(10, 450, std::to_string(seconds) + " seconds until next round..", 255, 255, 255, a);
  Font.TextOut(440, 450, "Press Spacebar to continue.", 128, 255, 128, a);

  // Everyone ready, or one second left: go on with whoever is ready, or end the match.
  const bool allReady = std::all_of(Players.begin(), Players.end(), [](const TPlayer* p) { return p->Ready; });
  if (!allReady && ScoreCountdown != 60) return;
  RoundState = 0;
  Fader.SetEndColor(0, 0, 0, 0);
  if (std::any_of(Players.begin(), Players.end(), [](const TPlayer* p) { return p->Ready; })) {
    StartRound();
    return;
  }
  RoundState = 2;
  ScoreFade = kFadeFrames;
  ScoreCountdown = static_cast<Single>(GameSettings.RoundDelay * 60);
  // The final board shows the rounds actually played.
  GameSettings.RoundCount = RoundNumber;
}

// [SECTION] Final scoreboard

void TGForm::DrawFinalScoreboard() {
  const Byte a = DrawBoardStart(*this, "L_PGR", 110, 45);

  const std::string rounds = "++ " + std::to_string(GameSettings.RoundCount) + "  Rounds ++";
  Font2.TextOut(320 - Font2.TextWidth(rounds) / 2, 10, rounds, 230, 90, 0, a);
  Font2.TextOut(20, 140, "NAME", 255, 255, 255, a);
  Font2.TextOut(130, 140, "KILLS", 255, 255, 255, a);
  Font2.TextOut(225, 140, "DEATHS", 255, 255, 255, a);
  Font2.TextOut(355, 140, "WON", 255, 255, 255, a);
  Font2.TextOut(470, 140, "FAV. ITEM", 255, 255, 255, a);
  // Rows keep the order of the last round's kills, not the match totals.
  std::string favourite;
  for (size_t i = 0; i < Players.size(); ++i) {
    const TPlayer& player = *Players[i];
    const auto y = static_cast<Integer>(190 + 30 * i);
    TextInColour(Font, 20, y, BoardName(*this, player), player, a);
    Font.TextOut(163, y, std::to_string(player.Kills), 255, 64, 64, a);
    Font.TextOut(270, y, std::to_string(player.Deaths), 160, 32, 32, a);
    Font.TextOut(384, y, std::to_string(player.Wins), 255, 255, 64, a);
    FavouriteItemName(player, favourite);
    Font.TextOut(525 - Font.TextWidth(favourite) / 2, y, favourite, 230, 190, 32, a);
  }
  Font.TextOut(10, 450, "Press ESCAPE to end game.", 255, 255, 255, a);
}

}  // namespace lr
