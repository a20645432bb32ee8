// The title screen: its timeline, the falling title, the menu entries' swelling in exact
// Single steps, the mouse with its edges and focus, and what each menu choice does.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "actors/PlayerUnit.h"
#include "support/TestGame.h"
#include "game/TitleScreen.h"

namespace lr {
namespace {

class TitleScreenTest : public ::testing::Test {
 protected:
  // Runs n frames, noting the frames (counted from the title screen's start) with a "Plink".
  void Frames(int n) {
    for (int i = 0; i < n; ++i) {
      Game.Frames(1);
      ++Frame;
      if (TakePlinks() > 0) PlinkFrames.push_back(Frame);
    }
  }
  // "Plink"s played since the last frame or the last call.
  int TakePlinks() {
    int n = 0;
    for (const std::string& sound : Form->SoundsThisFrame) n += sound == "Plink";
    Form->SoundsThisFrame.clear();
    return n;
  }
  void Send(TInputEventKind kind, int x = 0, int y = 0) {
    TInputEvent event;
    event.Kind = kind;
    event.X = x;
    event.Y = y;
    Form->HandleEvent(event);
  }
  void MouseAt(int x, int y) { Send(TInputEventKind::MouseMove, x, y); }
  void Click() { Send(TInputEventKind::Click); }
  TBounceText& Entry(int option) const { return *Form->MenuTexts.at(static_cast<size_t>(option - 1)); }

  TFontRasterizer Fonts;  // the credits are measured in the real font
  testing::TTestGame Game{0, &Fonts};
  TGForm* Form = Game.Form.get();
  int Frame = 0;
  std::vector<int> PlinkFrames;
};

// [SECTION] Timeline

TEST_F(TitleScreenTest, TitleFallsFromFrame40WhileFadingInThenRests) {
  Frames(39);
  EXPECT_TRUE(Game.Live<TTitleText>().empty());
  Frames(1);
  ASSERT_EQ(Game.Live<TTitleText>().size(), 1u);
  TTitleText& title = *Game.Live<TTitleText>()[0];
  EXPECT_EQ(title.Image, Form->Spr.Find("Title"));
  // Made at (120, -170) with alpha 0, it moves on the frame it appears.
  EXPECT_EQ(title.X, 120.0f);
  EXPECT_EQ(title.Y, -168.0f);
  EXPECT_EQ(title.Alpha, 4);
  Frames(62);
  EXPECT_EQ(title.Y, -44.0f);
  EXPECT_EQ(title.Alpha, 252);
  // The 64th step overshoots to 256 and settles at 255: 128 pixels in all.
  Frames(1);
  EXPECT_EQ(title.Y, -42.0f);
  EXPECT_EQ(title.Alpha, 255);
  Frames(50);
  EXPECT_EQ(title.Y, -42.0f);
}

TEST_F(TitleScreenTest, MenuEntriesPopInOnTheirFramesEachWithAPlink) {
  Frames(500);
  EXPECT_EQ(PlinkFrames, (std::vector<int>{90, 110, 130, 150}));
  EXPECT_EQ(Game.Live<TTitleText>().size(), 1u);
  const char* sheets[] = {"O_Start", "O_Online", "O_Options", "O_Quit"};
  const Single places[][2] = {{195, 150}, {195, 210}, {230, 270}, {265, 330}};
  ASSERT_EQ(Form->MenuTexts.size(), 4u);
  for (int option = 1; option <= 4; ++option) {
    const TBounceText& entry = Entry(option);
    SCOPED_TRACE(sheets[option - 1]);
    EXPECT_EQ(entry.Option, option);
    EXPECT_EQ(entry.Image, Form->Spr.Find(sheets[option - 1]));
    EXPECT_EQ(entry.X, places[option - 1][0]);
    EXPECT_EQ(entry.Y, places[option - 1][1]);
    EXPECT_EQ(entry.Z, 10);  // above the lava
  }
}

TEST_F(TitleScreenTest, CreditsDrawInWhiteAndEndInsideTheScreen) {
  for (const TCreditLine& line : kTitleCredits) {
    const Integer width = Form->Font.TextWidth(std::string(line.Text));
    EXPECT_GT(width, 0) << line.Text;
    EXPECT_LE(line.X + width, 640) << line.Text;
  }
  // On a black screen each line leaves fully white pixels at the start of its box.
  Form->OS.BeginScene();
  Form->OS.Clear(0, 0, 0, 255);
  Form->DoTitleScreen();
  const uint32_t* pixels = Form->OS.GetDevice()->BackBuffer();
  for (const TCreditLine& line : kTitleCredits) {
    int white = 0;
    for (Integer y = line.Y; y < std::min(480, line.Y + 12); ++y)
      for (Integer x = line.X; x < line.X + 12; ++x) white += (pixels[y * 640 + x] & 0xFFFFFFu) == 0xFFFFFFu;
    EXPECT_GT(white, 0) << line.Text;
  }
  Form->OS.EndScene();
}

// [SECTION] Menu entries

TEST_F(TitleScreenTest, EntrySwellsShrinksAndRestsInATwoFrameCycle) {
  Form->BounceText("O_Start", 195, 150, 1);
  TBounceText& entry = Entry(1);
  EXPECT_EQ(TakePlinks(), 1);
  EXPECT_EQ(entry.ScaleSpeed, 0.05f);

  // Speed 0.05 losing 0.01 a frame: 1.05, 1.09, 1.12, 1.14, 1.15.
  for (int i = 0; i < 5; ++i) entry.DoMove(1);
  EXPECT_NEAR(entry.ScaleX, 1.15, 1e-5);
  EXPECT_EQ(entry.ScaleY, entry.ScaleX);
  EXPECT_NEAR(entry.ScaleSpeed, 0.0, 1e-6);

  // Down again, faster every frame, until a step goes below 0.8 and is clamped back.
  for (int frames = 0; entry.ScaleX != 0.8f; ++frames) {
    ASSERT_LT(frames, 100);
    entry.DoMove(1);
  }
  EXPECT_LT(entry.ScaleY, 0.8f);  // the unclamped value
  EXPECT_EQ(entry.ScaleSpeed, 0.0f);

  // At rest: the stored 0.8 is above 0.8, so one frame only gains speed and the next dips
  // to 0.79, which only ScaleY keeps.
  for (int cycle = 0; cycle < 3; ++cycle) {
    entry.DoMove(1);
    EXPECT_EQ(entry.ScaleX, 0.8f);
    EXPECT_EQ(entry.ScaleY, 0.8f);
    EXPECT_EQ(entry.ScaleSpeed, -0.01f);
    entry.DoMove(1);
    EXPECT_EQ(entry.ScaleX, 0.8f);
    EXPECT_EQ(entry.ScaleY, 0.8f + -0.01f);
    EXPECT_NEAR(entry.ScaleY, 0.79, 1e-6);
    EXPECT_EQ(entry.ScaleSpeed, 0.0f);
  }
}

TEST_F(TitleScreenTest, HoveredEntryGrowsTo1Point4AndStaysThenFallsBack) {
  Frames(200);
  TBounceText& start = Entry(1);
  ASSERT_EQ(start.ScaleX, 0.8f);
  MouseAt(300, 170);
  Frames(1);
  EXPECT_NEAR(start.ScaleX, 0.85, 1e-6);  // the hovered entry keeps its speed
  Frames(120);
  EXPECT_EQ(start.ScaleX, 1.4f);
  EXPECT_EQ(start.ScaleY, 1.4f);
  EXPECT_EQ(start.ScaleSpeed, 0.0f);
  EXPECT_EQ(Entry(2).ScaleX, 0.8f);

  // The swollen picture reaches past its tile, but only the tile counts.
  MouseAt(190, 170);
  EXPECT_EQ(Form->HoverOption, 0);
  const double expected[] = {1.4, 1.39, 1.37, 1.34};
  for (const double scale : expected) {
    Frames(1);
    EXPECT_NEAR(start.ScaleX, scale, 1e-6);
  }
  Frames(20);
  EXPECT_EQ(start.ScaleX, 0.8f);
}

// [SECTION] Mouse

TEST_F(TitleScreenTest, MouseHitsTheUnscaledTileWithEdgesAndPlinksOncePerChange) {
  Frames(200);
  TakePlinks();
  struct {
    int X, Y, Hover, Plinks;
  } const steps[] = {
      {195, 150, 1, 1},  // top-left corner of "O_Start" (251 × 48 at 195, 150)
      {446, 198, 1, 0},  // its bottom-right corner: same entry, no sound
      {447, 198, 0, 0},  // one past the right edge
      {446, 199, 0, 0},  // one below
      {194, 150, 0, 0},
      {440, 261, 2, 1},  // far corner of "O_Online" (245 × 51 at 195, 210)
      {300, 170, 1, 1},  // back to "O_Start": a change again
      {300, 350, 4, 1},  // "O_Quit"
  };
  for (const auto& step : steps) {
    MouseAt(step.X, step.Y);
    EXPECT_EQ(Form->HoverOption, step.Hover) << step.X << ", " << step.Y;
    EXPECT_EQ(TakePlinks(), step.Plinks) << step.X << ", " << step.Y;
  }
  EXPECT_EQ(Entry(4).ScaleSpeed, 0.05f);
}

TEST_F(TitleScreenTest, WithoutFocusTheMenuIgnoresMoveAndClick) {
  Frames(200);
  TakePlinks();
  Send(TInputEventKind::FocusLost);
  MouseAt(300, 350);
  EXPECT_EQ(Form->HoverOption, 0);
  EXPECT_EQ(TakePlinks(), 0);

  Send(TInputEventKind::FocusGained);
  MouseAt(300, 350);
  EXPECT_EQ(Form->HoverOption, 4);
  Send(TInputEventKind::FocusLost);
  MouseAt(10, 10);
  EXPECT_EQ(Form->HoverOption, 4);  // kept while unfocused
  Click();
  EXPECT_FALSE(Form->Closed);

  Send(TInputEventKind::FocusGained);
  Click();
  EXPECT_TRUE(Form->Closed);  // Quit
}

// [SECTION] Menu choices

TEST_F(TitleScreenTest, StartBeginsAMatchAndAClickBeforeTheMouseMovesRepeatsIt) {
  Frames(200);
  MouseAt(300, 170);
  Click();
  EXPECT_EQ(Form->GameMode, 3);  // the first round's banner
  EXPECT_EQ(Form->RoundNumber, 1);
  EXPECT_TRUE(Form->MenuTexts.empty());
  Frames(300);
  Form->RoundNumber = 2;

  // The hover outlives the menu: a click during the match starts it again from round 1.
  Click();
  EXPECT_EQ(Form->RoundNumber, 1);
  // Once the mouse moves, no entry is left under it.
  MouseAt(300, 170);
  EXPECT_EQ(Form->HoverOption, 0);
  Form->RoundNumber = 2;
  Click();
  EXPECT_EQ(Form->RoundNumber, 2);
}

TEST_F(TitleScreenTest, OnlineRenamesOnlyALavaNewbieAndOpensTheLobby) {
  int options = 0;
  int lobby = 0;
  Frames(200);
  // "Options" shows the dialog; without the lobby its choice does nothing, and nothing breaks.
  MouseAt(300, 290);
  Click();
  EXPECT_TRUE(Form->OForm->Visible);
  MouseAt(300, 230);
  Click();

  Form->ShowOptions = [&options] { ++options; };
  Form->ShowLobby = [&lobby] { ++lobby; };
  // Other names stay, and the generator is not drawn from.
  Form->Rng.RandomState = 1;
  Form->Player1->Name = "Lava Newbe";
  Click();
  EXPECT_EQ(Form->Player1->Name, "Lava Newbe");
  EXPECT_EQ(Form->Rng.RandomState, 1u);
  EXPECT_EQ(lobby, 1);
  // From state 1 the next Random(5000) is 156; the name may hold it anywhere.
  Form->Player1->Name = "Big Lava Newbie";
  Click();
  EXPECT_EQ(Form->Player1->Name, "Player #157");
  EXPECT_EQ(lobby, 2);

  MouseAt(300, 290);
  Click();
  EXPECT_EQ(options, 1);
  // A click with nothing under the mouse does nothing.
  MouseAt(10, 10);
  Click();
  EXPECT_EQ(options + lobby, 3);
}

TEST_F(TitleScreenTest, APendingMasterConnectionIsLeftAloneOnlyWhileTheLobbyIsShown) {
  // A master server on loopback; its connect event waits for a socket poll, which no frame
  // makes, so the attempt stays pending across frames.
  TTCPServer master(Form->Net);
  master.BindAddress = "127.0.0.1";
  master.Port = "0";
  master.Open();
  TTCPClient client(Form->Net);
  client.Host = "127.0.0.1";
  client.Port = std::to_string(master.LocalPort());
  bool shown = true;
  Form->Lobby = {.Shown = [&shown] { return shown; }, .LClient = &client};
  client.Open();
  Frames(3);
  EXPECT_EQ(client.SocketState(), wsConnecting);
  shown = false;
  Frames(1);
  EXPECT_EQ(client.SocketState(), wsClosed);
  // Outside the title screen nothing is looked at.
  client.Open();
  Form->GameMode = 1;
  Frames(1);
  EXPECT_EQ(client.SocketState(), wsConnecting);
  Form->Lobby = {};
}

}  // namespace
}  // namespace lr
