// The round and final scoreboards: the fade-in, every text with its place, font, colour and
// alpha, the countdown, and how the round board hands over to the next round or the final one.
//
// Text is drawn by a block font: every character is a solid cell (5 × 9 pixels in Font,
// 9 × 14 in Font2), so a text shows on the back buffer as a rectangle of its exact colour.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "actors/PlayerUnit.h"
#include "support/TestGame.h"

namespace lr {
namespace {

struct TBlockSize {
  int CharWidth, Height;
};
constexpr TBlockSize kSmall{5, 9};   // Font, 11 points
constexpr TBlockSize kLarge{9, 14};  // Font2, 20 points

class TBlockFace final : public IFontFace {
 public:
  TBlockFace(TBlockSize size, std::vector<std::string>& rendered) : Size(size), Rendered(rendered) {}
  std::string Family() const override { return "Blocks"; }
  TTextExtent Measure(const std::string& text) const override {
    return {Size.CharWidth * static_cast<int>(text.size()), Size.Height};
  }
  TTextBitmap Render(const std::string& text) const override {
    Rendered.push_back(text);
    TTextBitmap bitmap;
    bitmap.Width = Size.CharWidth * static_cast<int>(text.size());
    bitmap.Height = bitmap.Width > 0 ? Size.Height : 0;
    bitmap.Pixels.assign(static_cast<size_t>(bitmap.Width * bitmap.Height), 0xFFFFFFFFu);
    return bitmap;
  }

 private:
  TBlockSize Size;
  std::vector<std::string>& Rendered;
};

class TBlockFonts final : public IFontRasterizer {
 public:
  std::unique_ptr<IFontFace> Open(const std::string&, int pointSize, unsigned) override {
    return std::make_unique<TBlockFace>(pointSize < 15 ? kSmall : kLarge, Rendered);
  }
  // Every string rendered, in order.
  std::vector<std::string> Rendered;
};

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r << 16 | g << 8 | b; }
// White under the black darkening of that alpha. Quads pass through the screen's colour,
// whose full 255 scales their alpha by 255 / 256; text does not.
constexpr uint32_t Darkened(uint32_t alpha) {
  const uint32_t level = 255 - alpha * 255 / 256;
  return Rgb(level, level, level);
}

class ScoreboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Form->Player1 && Form->Player2);
    Form->TimeFactor = 1;
    Form->GameMode = 1;
  }

  // What EndRound leaves for a board.
  void OpenBoard(Byte state) {
    Form->RoundState = state;
    Form->ScoreFade = 200;
    Form->ScoreCountdown = static_cast<Single>(Form->GameSettings.RoundDelay * 60);
  }

  // One frame of the board on a black screen with a white stripe at x >= 600, where no board
  // text goes: the stripe shows the darkening, the black shows the text's alpha. Afterwards
  // Texts holds the strings drawn in the frame (each once).
  void Board() {
    Form->Font.Init();  // an empty text cache renders every string of the frame afresh
    Form->Font2.Init();
    Fonts.Rendered.clear();
    Form->OS.BeginScene();
    Form->OS.Clear(0, 0, 0, 255);
    uint32_t* pixels = Form->OS.GetDevice()->BackBuffer();
    for (int y = 0; y < 480; ++y)
      for (int x = 600; x < 640; ++x) pixels[y * 640 + x] = 0xFFFFFFFFu;
    if (Form->RoundState == 1)
      Form->DrawRoundScoreboard();
    else
      Form->DrawFinalScoreboard();
    Form->OS.EndScene();
    Texts = Fonts.Rendered;
  }
  void Boards(int n) {
    for (int i = 0; i < n; ++i) Board();
  }

  uint32_t Pixel(int x, int y) const { return Form->OS.GetDevice()->BackBuffer()[y * 640 + x] & 0xFFFFFFu; }

  // The text is drawn in the frame, as a block of its colour with its top-left at (x, y).
  void ExpectText(const std::string& text, TBlockSize size, int x, int y, uint32_t rgb) const {
    SCOPED_TRACE("\"" + text + "\"");
    const int width = size.CharWidth * static_cast<int>(text.size());
    EXPECT_NE(std::find(Texts.begin(), Texts.end(), text), Texts.end());
    EXPECT_EQ(Pixel(x, y), rgb);
    EXPECT_EQ(Pixel(x + width - 1, y + size.Height - 1), rgb);
    EXPECT_NE(Pixel(x - 1, y), rgb);
    EXPECT_NE(Pixel(x + width, y), rgb);
    EXPECT_NE(Pixel(x, y + size.Height), rgb);
  }
  std::string Footer() const {
    for (const std::string& text : Texts)
      if (text.find(" seconds until next round..") != std::string::npos) return text;
    return "";
  }
  TPlayer& AddPlayer(const std::string& name, Integer red, Integer green, Integer blue) {
    auto* player = new TPlayer(Form->SE);
    player->Name = name;
    player->SetRed(red);
    player->SetGreen(green);
    player->SetBlue(blue);
    Form->Players.push_back(player);
    return *player;
  }

  TBlockFonts Fonts;
  testing::TTestGame Game{0, &Fonts};
  TGForm* Form = Game.Form.get();
  std::vector<std::string> Texts;
};

// [SECTION] Fade-in

TEST_F(ScoreboardTest, BoardFadesInOverTwoHundredFramesBeforeTheCountdownRuns) {
  OpenBoard(1);
  Board();
  // First frame: fade 199, text alpha 255 - Round(253.725) = 1, darkening alpha 1 (which the
  // screen scales to nothing visible).
  EXPECT_EQ(Form->ScoreFade, 199.0f);
  EXPECT_EQ(Pixel(100, 95), Rgb(1, 1, 1));  // "NAME" in white
  EXPECT_EQ(Pixel(620, 300), Darkened(1));
  // Frame 140: fade 60, and 76.5 rounds to even: alpha 179.
  Boards(139);
  EXPECT_EQ(Pixel(100, 95), Rgb(179, 179, 179));
  EXPECT_EQ(Pixel(620, 300), Darkened(140));
  Boards(59);
  EXPECT_EQ(Form->ScoreFade, 1.0f);
  EXPECT_EQ(Form->ScoreCountdown, 600.0f);
  // Frame 200: the fade is over, the text opaque, the arena darkened by 200, and the
  // countdown takes its first step.
  Board();
  EXPECT_EQ(Form->ScoreFade, 0.0f);
  EXPECT_EQ(Pixel(100, 95), kWhite);
  EXPECT_EQ(Pixel(620, 300), Darkened(200));
  EXPECT_EQ(Form->ScoreCountdown, 599.0f);
  // The title picture is drawn over the darkened arena: some of it shows on black.
  bool picture = false;
  for (int x = 110; x < 560 && !picture; ++x)
    for (int y = 15; y < 95 && !picture; ++y) picture = Pixel(x, y) != 0;
  EXPECT_TRUE(picture);
}

// [SECTION] Round scoreboard

TEST_F(ScoreboardTest, RoundBoardShowsKillsCausesKillersAndReadiness) {
  TPlayer& red = *Form->Player1;      // 200, 50, 50: survived with two kills
  TPlayer& green = *Form->Player2;    // 50, 200, 50: burnt by blue, and ready
  // Died with no cause. Names are 8-bit text; the font is handed UTF-8.
  TPlayer& blue = AddPlayer("Zo\xEB", 60, 60, 220);
  red.RoundKills = 2;
  green.DeathCause = "Lava";
  green.Killer = &blue;
  green.Ready = true;
  Form->DeadPlayers = {&green, &blue};
  OpenBoard(1);
  Form->ScoreFade = 1;  // opaque from this frame on
  Board();
  ASSERT_EQ(Form->RoundState, 1);

  std::vector<std::string> drawn = Texts;
  std::sort(drawn.begin(), drawn.end());
  std::vector<std::string> expected = {"NAME", "KILLS", "CAUSE", "Red Man", "2", "-----", "Green Man", "0",
                                       "Lava", "(Zo\xC3\xAB)", "READY", "Zo\xC3\xAB", "Suicide",
                                       "10 seconds until next round..", "Press Spacebar to continue."};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(drawn, expected);

  ExpectText("NAME", kLarge, 100, 95, kWhite);
  ExpectText("KILLS", kLarge, 260, 95, kWhite);
  ExpectText("CAUSE", kLarge, 410, 95, kWhite);
  const uint32_t redColour = Rgb(200, 50, 50);
  const uint32_t grey = Rgb(128, 128, 128);
  const uint32_t killsColour = Rgb(255, 64, 64);
  ExpectText("Red Man", kSmall, 100, 150, redColour);
  ExpectText("2", kSmall, 290, 150, killsColour);
  ExpectText("-----", kSmall, 380, 150, grey);
  EXPECT_EQ(Pixel(15, 150), 0u);  // not ready
  ExpectText("Green Man", kSmall, 100, 180, Rgb(50, 200, 50));
  ExpectText("0", kSmall, 290, 180, killsColour);
  ExpectText("Lava", kSmall, 370, 180, grey);
  ExpectText("(Zo\xC3\xAB)", kSmall, 490, 180, Rgb(60, 60, 220));  // in the killer's colour
  ExpectText("READY", kSmall, 15, 180, Rgb(0, 200, 255));
  ExpectText("Zo\xC3\xAB", kSmall, 100, 210, Rgb(60, 60, 220));
  ExpectText("Suicide", kSmall, 370, 210, grey);
  EXPECT_EQ(Pixel(490, 210), 0u);  // no killer
  ExpectText("10 seconds until next round..", kSmall, 10, 450, kWhite);
  ExpectText("Press Spacebar to continue.", kSmall, 440, 450, Rgb(128, 255, 128));
}

TEST_F(ScoreboardTest, NobodyReadyEndsTheMatchOnThe739thFrameWithTheRoundsPlayed) {
  Form->GameSettings.RoundDelay = 10;
  Form->GameSettings.RoundCount = 5;
  Form->RoundNumber = 2;
  OpenBoard(1);
  Board();
  EXPECT_EQ(Footer(), "10 seconds until next round..");
  // The countdown starts on frame 200 at 599: 150 left on frame 649, 90 on 709, 89 on 710.
  Boards(648);
  EXPECT_EQ(Form->ScoreCountdown, 150.0f);
  EXPECT_EQ(Footer(), "2 seconds until next round..");  // 2.5 rounds to even
  Boards(60);
  EXPECT_EQ(Footer(), "2 seconds until next round..");  // 1.5 as well
  Board();
  EXPECT_EQ(Footer(), "1 seconds until next round..");
  Boards(28);
  EXPECT_EQ(Form->ScoreCountdown, 61.0f);
  EXPECT_EQ(Form->RoundState, 1);
  EXPECT_EQ(Form->Fader.EndColor, (TFadeColor{0, 0, 0, 255}));

  // Frame 739: one second left and nobody ready.
  Board();
  EXPECT_EQ(Form->RoundState, 2);
  EXPECT_EQ(Form->ScoreFade, 200.0f);
  EXPECT_EQ(Form->ScoreCountdown, 600.0f);
  EXPECT_EQ(Form->GameSettings.RoundCount, 2);
  EXPECT_EQ(Form->Fader.EndColor, (TFadeColor{0, 0, 0, 0}));

  // The final board's title counts the two rounds played, centred on x = 320.
  Boards(200);
  ExpectText("++ 2  Rounds ++", kLarge, 320 - 135 / 2, 10, Rgb(230, 90, 0));
}

TEST_F(ScoreboardTest, ReadyPlayersGoOnWithoutTheFinalBoard) {
  // Everyone ready while the board is still fading in: the next round starts at once.
  Form->Player1->Ready = true;
  Form->Player2->Ready = true;
  OpenBoard(1);
  Board();
  EXPECT_EQ(Form->RoundState, 0);
  EXPECT_EQ(Form->GameMode, 3);  // the next round's banner
  EXPECT_EQ(Form->RoundNumber, 1);
  EXPECT_EQ(Form->ScoreFade, 199.0f);
  EXPECT_EQ(Form->GameSettings.RoundCount, 3);
  EXPECT_EQ(Form->Fader.EndColor, (TFadeColor{0, 0, 0, 0}));

  // One of two ready: the board waits for the last second, then goes on.
  Form->GameMode = 1;
  Form->Player1->Ready = false;
  Form->Player2->Ready = true;
  OpenBoard(1);
  Boards(738);
  EXPECT_EQ(Form->RoundState, 1);
  Board();
  EXPECT_EQ(Form->RoundState, 0);
  EXPECT_EQ(Form->GameMode, 3);
  EXPECT_EQ(Form->RoundNumber, 2);
  EXPECT_EQ(Form->GameSettings.RoundCount, 3);
}

// [SECTION] Final scoreboard

TEST_F(ScoreboardTest, FinalBoardShowsTheMatchTotalsAndStaysUntilEscape) {
  TPlayer& red = *Form->Player1;
  TPlayer& green = *Form->Player2;
  // Rows keep the order of the last round, whatever the totals.
  red.Kills = 1, red.Deaths = 4, red.Wins = 0;
  green.Kills = 7, green.Deaths = 2, green.Wins = 3;
  Form->GameSettings.RoundCount = 3;
  OpenBoard(2);
  Form->ScoreFade = 1;
  Board();

  ExpectText("++ 3  Rounds ++", kLarge, 320 - 135 / 2, 10, Rgb(230, 90, 0));
  ExpectText("NAME", kLarge, 20, 140, kWhite);
  ExpectText("KILLS", kLarge, 130, 140, kWhite);
  ExpectText("DEATHS", kLarge, 225, 140, kWhite);
  ExpectText("WON", kLarge, 355, 140, kWhite);
  ExpectText("FAV. ITEM", kLarge, 470, 140, kWhite);
  ExpectText("Red Man", kSmall, 20, 190, Rgb(200, 50, 50));
  ExpectText("1", kSmall, 163, 190, Rgb(255, 64, 64));
  ExpectText("4", kSmall, 270, 190, Rgb(160, 32, 32));
  ExpectText("0", kSmall, 384, 190, Rgb(255, 255, 64));
  ExpectText("Green Man", kSmall, 20, 220, Rgb(50, 200, 50));
  ExpectText("7", kSmall, 163, 220, Rgb(255, 64, 64));
  ExpectText("2", kSmall, 270, 220, Rgb(160, 32, 32));
  ExpectText("3", kSmall, 384, 220, Rgb(255, 255, 64));
  // Nothing collected: the favourite is "None", centred on x = 525.
  ExpectText("None", kSmall, 525 - 20 / 2, 190, Rgb(230, 190, 32));
  ExpectText("None", kSmall, 525 - 20 / 2, 220, Rgb(230, 190, 32));
  ExpectText("Press ESCAPE to end game.", kSmall, 10, 450, kWhite);

  // It never ends by itself; its countdown runs out unread.
  Boards(1000);
  EXPECT_EQ(Form->RoundState, 2);
  EXPECT_EQ(Form->ScoreCountdown, 0.0f);
  EXPECT_EQ(Form->GameSettings.RoundCount, 3);
}

}  // namespace
}  // namespace lr
