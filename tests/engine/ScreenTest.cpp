// TOmegaScreen: settings, start-up errors, the full-screen size list, the frame bracket, the
// clear, the global colour and transform every vertex goes through, and the release/restore of
// the form's components around a device reset.
#include "engine/OmegaScreen.h"

#include "engine/OmegaImageList.h"
#include "support/RecordingPresenter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <string>
#include <vector>

namespace lr {
namespace {

using test::TRecordingPresenter;
using test::TRecordingReporter;
using Log = std::vector<std::string>;

// A component of the form that writes its device calls into a shared log.
class TLoggingComponent final : public TDeviceComponent {
 public:
  TLoggingComponent(TKind kind, std::string name, Log* log) : Kind(kind), Name(std::move(name)), Events(log) {}
  TKind DeviceKind() const override { return Kind; }
  void DeviceInit() override { Events->push_back("init " + Name); }
  void DeviceUnInit() override { Events->push_back("uninit " + Name); }

 private:
  TKind Kind;
  std::string Name;
  Log* Events;
};

uint32_t PixelAt(TOmegaScreen& screen, int x, int y) {
  return screen.GetDevice()->BackBuffer()[y * screen.GetDevice()->Width() + x];
}

TVertex At(Single x, Single y, uint32_t color = 0xFFFFFFFF) { return {x, y, 0, 1, color, 0, 0}; }

// [SECTION] Settings

TEST(ScreenSettingsTest, DefaultsAndDepthSetter) {
  TOmegaScreen screen;
  EXPECT_EQ(screen.Width, 800);
  EXPECT_EQ(screen.Height, 600);
  EXPECT_EQ(screen.bpp(), 16);
  EXPECT_FALSE(screen.FullScreen);
  EXPECT_TRUE(screen.ZBuffer);
  EXPECT_TRUE(screen.ShowMouseCursor);
  EXPECT_EQ(screen.GlobalColor(), 0xFFFFFFFFu);
  EXPECT_EQ(screen.BlendMode(), 0);
  EXPECT_FALSE(screen.HasDevice());

  // Only 32 is kept; every other depth, 24 included, becomes 16.
  screen.Setbpp(32);
  EXPECT_EQ(screen.bpp(), 32);
  screen.Setbpp(24);
  EXPECT_EQ(screen.bpp(), 16);
  screen.Setbpp(32);
  screen.Setbpp(8);
  EXPECT_EQ(screen.bpp(), 16);
  screen.Setbpp(0);
  EXPECT_EQ(screen.bpp(), 16);
}

// [SECTION] Start-up errors

TEST(ScreenErrorTest, TextsByCode) {
  EXPECT_EQ(ScreenErrorText(0x82000001),
            "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is correctly "
            "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that "
            "match\nthe installed DirectX DLLs.");
  EXPECT_EQ(ScreenErrorText(kErrNoCompatibleDevice), "Could not find any compatible Direct3D\ndevices.");
  EXPECT_EQ(ScreenErrorText(0x8200003), "Could not find any compatible Direct3D\ndevices.");
  // The failed-creation code has seven hex digits; the eight-digit look-alike is unknown.
  EXPECT_EQ(ScreenErrorText(0x82000003), "Generic application error.");
  EXPECT_EQ(ScreenErrorText(0x8200004),
            "This application cannot run in a desktop\nwindow with the current display settings.\nPlease change "
            "your desktop settings to a\n16- or 32-bit display mode and re-run this\napplication.");
  EXPECT_EQ(ScreenErrorText(0x82000005), "No hardware-accelerated Direct3D devices\nwere found.");
  EXPECT_EQ(ScreenErrorText(0x82000006),
            "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator.");
  EXPECT_EQ(ScreenErrorText(0x82000007), "Your Direct3D hardware accelerator cannot\nrender into a window.");
  EXPECT_EQ(ScreenErrorText(0x82000008),
            "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display "
            "settings.");
  EXPECT_EQ(ScreenErrorText(0x82000009),
            "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator "
            "with the current desktop display\nsettings.");
  EXPECT_EQ(ScreenErrorText(kErrResetFailed), "Could not reset the Direct3D device.");
  EXPECT_EQ(ScreenErrorText(0x8200000a),
            "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up).");
  EXPECT_EQ(ScreenErrorText(0), "Generic application error.");
  EXPECT_EQ(ScreenErrorText(0x8200000b), "Generic application error.");
  EXPECT_EQ(std::string(kExitText), "This application will now exit.");
}

TEST(ScreenErrorTest, DeviceThatCannotBeMadeShowsTwoBoxesAndStaysDown) {
  TRecordingReporter reporter;
  TOmegaScreen screen;
  screen.ErrorReporter = &reporter;
  screen.Width = 0;
  EXPECT_FALSE(screen.Initialize());
  EXPECT_EQ(reporter.Boxes, (std::vector<std::string>{"Error: Could not find any compatible Direct3D\ndevices.",
                                                      "Error: This application will now exit."}));
  EXPECT_FALSE(screen.HasDevice());
  EXPECT_FALSE(screen.Initialized());
  screen.BeginScene();
  EXPECT_FALSE(screen.InScene());
}

// [SECTION] Full-screen sizes

TEST(ScreenModeTest, WindowedKeepsAnySize) {
  TRecordingPresenter presenter;
  TOmegaScreen screen;
  screen.Presenter = &presenter;
  screen.Width = 700;
  screen.Height = 500;
  ASSERT_TRUE(screen.Initialize());
  EXPECT_EQ(screen.BackBufferWidth(), 700);
  EXPECT_EQ(screen.BackBufferHeight(), 500);
  EXPECT_EQ(presenter.Beeps, 0);
  EXPECT_EQ(presenter.FullScreenCalls, std::vector<bool>{false});
  EXPECT_TRUE(screen.Initialized());
  EXPECT_TRUE(screen.Active());
}

TEST(ScreenModeTest, FullScreenAcceptsTheListedSizesWithoutABeep) {
  const std::pair<int, int> listed[] = {{800, 600}, {640, 400}, {640, 480}, {1024, 768},
                                        {320, 200}, {320, 240}, {1280, 1024}};
  for (const auto& [w, h] : listed) {
    TRecordingPresenter presenter;
    TOmegaScreen screen;
    screen.Presenter = &presenter;
    screen.FullScreen = true;
    screen.Width = w;
    screen.Height = h;
    ASSERT_TRUE(screen.Initialize());
    EXPECT_EQ(screen.BackBufferWidth(), w);
    EXPECT_EQ(screen.BackBufferHeight(), h);
    EXPECT_EQ(presenter.Beeps, 0) << w << "x" << h;
    EXPECT_EQ(presenter.FullScreenCalls, std::vector<bool>{true});
  }
}

TEST(ScreenModeTest, FullScreenWithAnUnlistedSizeBeepsAndUses800x600) {
  for (const auto& [w, h] : {std::pair{700, 500}, std::pair{480, 640}, std::pair{640, 481}}) {
    TRecordingPresenter presenter;
    TOmegaScreen screen;
    screen.Presenter = &presenter;
    screen.FullScreen = true;
    screen.Width = w;
    screen.Height = h;
    ASSERT_TRUE(screen.Initialize());
    EXPECT_EQ(presenter.Beeps, 1) << w << "x" << h;
    EXPECT_EQ(screen.BackBufferWidth(), 800);
    EXPECT_EQ(screen.BackBufferHeight(), 600);
    // The setting itself is left as it was.
    EXPECT_EQ(screen.Width, w);
  }
}

TEST(ScreenModeTest, ToggleSwitchesModesAndSizesBothWays) {
  TRecordingPresenter presenter;
  TOmegaScreen screen;
  screen.Presenter = &presenter;
  screen.Width = 700;
  screen.Height = 500;
  ASSERT_TRUE(screen.Initialize());

  screen.ToggleFullScreen();
  EXPECT_TRUE(screen.FullScreen);
  EXPECT_EQ(presenter.Beeps, 1);
  EXPECT_EQ(screen.BackBufferWidth(), 800);
  EXPECT_EQ(screen.BackBufferHeight(), 600);
  EXPECT_TRUE(screen.Initialized());
  EXPECT_TRUE(screen.Active());

  screen.ToggleFullScreen();
  EXPECT_FALSE(screen.FullScreen);
  EXPECT_EQ(presenter.Beeps, 1);
  EXPECT_EQ(screen.BackBufferWidth(), 700);
  EXPECT_EQ(screen.BackBufferHeight(), 500);
  EXPECT_EQ(presenter.FullScreenCalls, (std::vector<bool>{false, true, false}));

  // The game's own size switches without a beep.
  TRecordingPresenter gamePresenter;
  TOmegaScreen game;
  game.Presenter = &gamePresenter;
  game.Width = 640;
  game.Height = 480;
  ASSERT_TRUE(game.Initialize());
  game.ToggleFullScreen();
  EXPECT_EQ(gamePresenter.Beeps, 0);
  EXPECT_EQ(game.BackBufferWidth(), 640);
  EXPECT_EQ(game.BackBufferHeight(), 480);
}

// [SECTION] Frames

TEST(ScreenFrameTest, EndSceneWithoutAnOpenFramePresentsNothing) {
  TRecordingPresenter presenter;
  TOmegaScreen screen;
  screen.Presenter = &presenter;
  screen.EndScene();  // no device yet
  screen.BeginScene();
  EXPECT_FALSE(screen.InScene());
  ASSERT_TRUE(screen.Initialize());
  screen.EndScene();
  EXPECT_TRUE(presenter.Frames.empty());

  screen.BeginScene();
  EXPECT_TRUE(screen.InScene());
  screen.EndScene();
  EXPECT_FALSE(screen.InScene());
  screen.EndScene();  // the frame was closed by the first call
  ASSERT_EQ(presenter.Frames.size(), 1u);
  EXPECT_EQ(presenter.Frames[0].Width, 800);
  EXPECT_EQ(presenter.Frames[0].Height, 600);
}

TEST(ScreenFrameTest, ClearFillsTheWholeBackBufferAndIsPresented) {
  TRecordingPresenter presenter;
  TOmegaScreen screen;
  screen.Presenter = &presenter;
  screen.Width = 32;
  screen.Height = 24;
  ASSERT_TRUE(screen.Initialize());
  screen.BeginScene();
  screen.Clear(10, 20, 30, 40);
  EXPECT_EQ(PixelAt(screen, 0, 0), 0x280A141Eu);
  screen.Clear(0, 0, 0, 255);
  screen.EndScene();
  ASSERT_EQ(presenter.Frames.size(), 1u);
  const std::vector<uint32_t>& frame = presenter.Frames[0].Pixels;
  ASSERT_EQ(frame.size(), 32u * 24u);
  EXPECT_EQ(std::count(frame.begin(), frame.end(), 0xFF000000u), 32 * 24);
}

TEST(ScreenFrameTest, DrawingOutsideAFrameHasNoEffect) {
  TOmegaScreen screen;
  screen.Width = 8;
  screen.Height = 8;
  ASSERT_TRUE(screen.Initialize());
  screen.Clear(0, 0, 0, 255);
  TVertex quad[4] = {At(0, 0), At(8, 0), At(8, 8), At(0, 8)};
  screen.DrawPrimitive(TPrimitiveKind::TriangleFan, quad, 4);
  EXPECT_EQ(PixelAt(screen, 4, 4), 0xFF000000u);
  screen.BeginScene();
  screen.DrawPrimitive(TPrimitiveKind::TriangleFan, quad, 4);
  EXPECT_EQ(PixelAt(screen, 4, 4), 0xFFFFFFFFu);
}

// [SECTION] Global colour and transform

TEST(ScreenSubmitTest, GlobalColourMultipliesEachChannelAndDividesBy256) {
  TOmegaScreen screen;
  // The game's white screen colour takes one level off a full channel.
  TVertex v[3] = {At(0, 0, 0xFFFFFFFF), At(0, 0, 0x80402001), At(0, 0, 0x00000000)};
  screen.SubmitVertices(v, 3);
  EXPECT_EQ(v[0].Color, 0xFEFEFEFEu);
  EXPECT_EQ(v[1].Color, 0x7F3F1F00u);
  EXPECT_EQ(v[2].Color, 0u);

  // Each channel uses its own screen channel: alpha with Alpha, red with Red, and so on.
  screen.SetRed(128);
  screen.SetGreen(0);
  screen.SetBlue(255);
  screen.SetAlpha(64);
  EXPECT_EQ(screen.GlobalColor(), 0x408000FFu);
  TVertex w[1] = {At(0, 0, ColorARGB(200, 200, 200, 200))};
  screen.SubmitVertices(w, 1);
  EXPECT_EQ(w[0].Color, ColorARGB(100, 0, 199, 50));
}

TEST(ScreenSubmitTest, DefaultTransformLeavesPositionsExactlyAsTheyAre) {
  TOmegaScreen screen;
  TVertex v[4] = {At(0, 0), At(10.5f, -3.25f), At(639.5f, 479.5f), At(-1e6f, 12345.678f)};
  const TVertex before[4] = {v[0], v[1], v[2], v[3]};
  screen.SubmitVertices(v, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(v[i].X, before[i].X) << i;
    EXPECT_EQ(v[i].Y, before[i].Y) << i;
    EXPECT_EQ(v[i].U, before[i].U) << i;
  }
}

TEST(ScreenSubmitTest, OffsetScaleAndRotationAboutTheCentre) {
  TOmegaScreen screen;
  screen.OffsetX = 5;
  screen.OffsetY = -3;
  TVertex v[1] = {At(10, 20)};
  screen.SubmitVertices(v, 1);
  EXPECT_FLOAT_EQ(v[0].X, 15);
  EXPECT_FLOAT_EQ(v[0].Y, 17);

  TOmegaScreen scaled;
  scaled.CenterX = 100;
  scaled.CenterY = 50;
  scaled.ScaleX = 2;
  scaled.ScaleY = 0.5f;
  TVertex s[2] = {At(100, 50), At(110, 70)};
  scaled.SubmitVertices(s, 2);
  EXPECT_FLOAT_EQ(s[0].X, 100);  // the centre stays put
  EXPECT_FLOAT_EQ(s[0].Y, 50);
  EXPECT_FLOAT_EQ(s[1].X, 120);
  EXPECT_FLOAT_EQ(s[1].Y, 60);

  // A positive rotation turns clockwise on screen (y grows downwards).
  TOmegaScreen turned;
  turned.CenterX = 100;
  turned.CenterY = 100;
  turned.Rotation = 90;
  TVertex r[1] = {At(110, 100)};
  turned.SubmitVertices(r, 1);
  EXPECT_NEAR(r[0].X, 100, 1e-4);
  EXPECT_NEAR(r[0].Y, 110, 1e-4);
}

// [SECTION] Blend mode

TEST(ScreenBlendTest, ModeSetBeforeTheDeviceExistsIsAppliedWhenItIsMade) {
  TOmegaScreen screen;
  screen.Width = 4;
  screen.Height = 4;
  screen.SetBlendMode(4);
  ASSERT_TRUE(screen.Initialize());
  EXPECT_EQ(screen.GetDevice()->BlendMode(), 4);
  screen.SetBlendMode(0);
  EXPECT_EQ(screen.GetDevice()->BlendMode(), 0);
  EXPECT_EQ(screen.BlendMode(), 0);
}

// [SECTION] Release and restore around a reset

class ScreenResetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    screen.Presenter = &presenter;
    screen.Width = 64;
    screen.Height = 48;
    screen.OnInit = [this] { log.push_back("OnInit"); };
    screen.OnUnInit = [this] { log.push_back("OnUnInit"); };
    // Form order: input, first list, font, second font, second list.
    for (TDeviceComponent* c : std::initializer_list<TDeviceComponent*>{&input, &list1, &font1, &font2, &list2})
      screen.AddComponent(c);
  }

  Log log;
  TLoggingComponent input{TDeviceComponent::TKind::Input, "input", &log};
  TLoggingComponent list1{TDeviceComponent::TKind::ImageList, "list1", &log};
  TLoggingComponent font1{TDeviceComponent::TKind::Font, "font1", &log};
  TLoggingComponent font2{TDeviceComponent::TKind::Font, "font2", &log};
  TLoggingComponent list2{TDeviceComponent::TKind::ImageList, "list2", &log};
  TOmegaImageList sprites;
  // What an OnUnInit handler saw of the sprites while the device was down.
  bool loadedDuringReset = true;
  const TTexture* textureDuringReset = nullptr;
  TRecordingPresenter presenter;
  TOmegaScreen screen;  // last: released first, while its components still exist
};

TEST_F(ScreenResetTest, InitializeRestoresImageListsFirstThenTheRestInFormOrder) {
  ASSERT_TRUE(screen.Initialize());
  EXPECT_EQ(log, (Log{"init list1", "init list2", "init input", "init font1", "init font2", "OnInit"}));
}

TEST_F(ScreenResetTest, ToggleReleasesFontsThenImageListsAndRestoresInOrder) {
  ASSERT_TRUE(screen.Initialize());
  log.clear();
  screen.ToggleFullScreen();
  EXPECT_EQ(log, (Log{"uninit font1", "uninit font2", "uninit list1", "uninit list2", "OnUnInit", "init list1",
                      "init list2", "init input", "init font1", "init font2", "OnInit"}));
}

TEST_F(ScreenResetTest, UnInitReleasesOnceAndTheDestructorShowsTheCursor) {
  ASSERT_TRUE(screen.Initialize());
  log.clear();
  screen.UnInit();
  EXPECT_EQ(log, (Log{"uninit font1", "uninit font2", "uninit list1", "uninit list2", "OnUnInit"}));
  EXPECT_FALSE(screen.HasDevice());
  EXPECT_FALSE(screen.Active());
  log.clear();
  screen.UnInit();  // nothing left to release
  EXPECT_TRUE(log.empty());

  TRecordingPresenter windowPresenter;
  {
    TOmegaScreen closing;
    closing.Presenter = &windowPresenter;
    closing.ShowMouseCursor = false;
    closing.Width = 4;
    closing.Height = 4;
    ASSERT_TRUE(closing.Initialize());
  }
  EXPECT_EQ(windowPresenter.CursorCalls, (std::vector<bool>{false, true}));
}

TEST_F(ScreenResetTest, ToggleKeepsTexturesAndTheBlendModeInForce) {
  sprites.OmegaScreen = &screen;
  TImageListItem& item = sprites.Add("Block");
  TPicture picture;
  picture.Width = 4;
  picture.Height = 4;
  picture.BitsPerPixel = 32;
  picture.Pixels.assign(16, 0xFF404040u);
  item.SetPicture(picture);
  screen.AddComponent(&sprites);
  ASSERT_TRUE(screen.Initialize());
  ASSERT_TRUE(item.Loaded());
  const TTexture* texture = item.Texture.get();
  ASSERT_NE(texture, nullptr);

  // While the device is down the list is unloaded but its texture lives on.
  screen.OnUnInit = [this, &item] {
    loadedDuringReset = item.Loaded();
    textureDuringReset = item.Texture.get();
  };
  item.DrawEx(0, 0, 0, 0.5f, 0.5f, 1, 1, ~0u, ~0u, ~0u, ~0u, false, false, 0, 2);
  screen.ToggleFullScreen();
  EXPECT_FALSE(loadedDuringReset);
  EXPECT_EQ(textureDuringReset, texture);
  EXPECT_TRUE(item.Loaded());
  EXPECT_EQ(item.Texture.get(), texture);  // restored, not made again
  EXPECT_EQ(screen.BlendMode(), 2);
  EXPECT_EQ(screen.GetDevice()->BlendMode(), 2);

  // The next draw that passes -1 is still additive on the new device.
  screen.BeginScene();
  screen.Clear(0x40, 0x40, 0x40, 255);
  item.DrawEx(10, 10, 0, 0.5f, 0.5f, 1, 1, ~0u, ~0u, ~0u, ~0u, false, false, 0, -1);
  screen.EndScene();
  EXPECT_EQ(PixelAt(screen, 11, 11) & 0xFFFFFF, 0x808080u);
  EXPECT_EQ(PixelAt(screen, 20, 20) & 0xFFFFFF, 0x404040u);
}

}  // namespace
}  // namespace lr
