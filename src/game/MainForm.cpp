// The main form: start-up, the frame in its fixed order of steps, and the window's events.
#include "game/MainForm.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#include "actors/ItemUnit.h"
#include "actors/PlayerUnit.h"
#include "ai/ComputerPlayer.h"
#include "engine/GameSounds.h"
#include "game/SpriteSheets.h"

namespace lr {

namespace {
constexpr Integer kVirtualKeyEscape = 27;
}

TGForm::TGForm(const TFormServices& services)
    : OwnNet(services.Net ? nullptr : std::make_unique<TNetService>()),
      Net(services.Net ? *services.Net : *OwnNet),
      Timer(*services.Clock),
      Inp(services.Keyboard),
      Sound(services.Audio, *services.Clock),
      Timer1(*services.Clock),
      Services(services) {
  // The form's stored component settings: the game's key table, one slot per key.
  Inp.Keyboard.Assigns = {200, 208, 203, 205, 28, 17, 31, 30, 32, 16, 57, 0, 0, 0, 0, 0,
                          0,   0,   0,   0,   0,  0,  0,  0,  0,  0,  0,  0, 0, 0, 0, 56};
  Inp.Keyboard.SetForegroundOnly(true);
  Inp.Keyboard.SetExclusive(false);
  OS.Width = 640;
  OS.Height = 480;
  OS.Presenter = services.Presenter;
  OS.ErrorReporter = services.ErrorReporter;
  OS.Setbpp(32);
  OS.RenderMode = TRenderMode::rmSoftware;
  Spr.OmegaScreen = &OS;
  Spr.ErrorReporter = services.ErrorReporter;
  // The components whose device resources follow the screen, in form order.
  Font.OmegaScreen = &OS;
  Font.Rasterizer = services.Fonts;
  Font2.OmegaScreen = &OS;
  Font2.Rasterizer = services.Fonts;
  Fader.OmegaScreen = &OS;
  Fader.SetFadeSpeed(1);
  Prim.OmegaScreen = &OS;
  Prim.Filled = true;
  OS.AddComponent(&Font);
  OS.AddComponent(&Inp);
  OS.AddComponent(&Spr);
  OS.AddComponent(&Font2);
  SE.Owner = this;
  FillGameSounds(Sound);
  Timer.SetTargetFPS(60);
  Timer.SetMinFPS(10);
  Timer.SetMaxFPS(120);
  Timer.SetFPSWarningFrames(10);
  Timer.SetLossyMode(false);
  Timer.OnTimer = [this](TOmegaTimer&) { TimerTimer(); };
  Timer1.Interval = 1500;
  Timer1.OnTimer = [this] { Timer1Timer(); };
  Timer1.SetEnabled(true);
}

TGForm::~TGForm() {
  // Release the components' device resources while they all still exist.
  OS.UnInit();
}

void TGForm::SeedRandomFromClock() { Rng.SeedFromMilliseconds(Clock().MillisecondsOfDay()); }

bool TGForm::FormCreate() {
  SeedRandomFromClock();
  GameSettings.MovePower = 1.6f;
  GameSettings.JumpPower = -5.0f;
  GameSettings.ClimbPower = 1.7f;
  GameSettings.Gravity = 0.22f;
  GameSettings.PowerupEnabled.fill(true);

  const std::vector<std::string> problems = LoadSpriteSheets(Spr, Services.DataFolder);
  if (!problems.empty())
    std::cerr << "lavarumble: " << problems.size() << " of the sprite sheets could not be read ("
              << problems.front() << (problems.size() > 1 ? ", ..." : "") << ")\n";

  // A blank white 640 × 480 picture for the background entry, tinted by corner colours.
  TPicture white;
  white.Width = 640;
  white.Height = 480;
  white.BitsPerPixel = 32;
  white.Pixels.assign(640 * 480, 0xFFFFFFFFu);
  if (TImageListItem* bg = Spr.Find("BG")) bg->SetPicture(white);

  SeedRandomFromClock();
  LavaScroll = 0;
  for (int degree = 0; degree < 360; ++degree) {
    const double radians = degree * M_PI / 180.0;
    SinTable[degree] = static_cast<Single>(std::sin(radians));
    CosTable[degree] = static_cast<Single>(std::cos(radians));
  }
  GameMode = 0;
  TitleCounter = 0;

  // The two local players; the sprite manager owns them.
  Player1 = new TPlayer(SE);
  Player1->SetGreen(50);
  Player1->SetBlue(50);
  Player1->SetRed(200);
  Player1->Name = "Red Man";
  Player2 = new TPlayer(SE);
  Player2->SetGreen(200);
  Player2->SetBlue(50);
  Player2->SetRed(50);
  Player2->Name = "Green Man";
  Players = {Player1, Player2};
  DeadPlayers.clear();
  OForm = std::make_unique<TOForm>(GameSettings, TPlayerLink{&Player1->Name, Player1},
                                   TPlayerLink{&Player2->Name, Player2}, Services.OptionsFile);
  OForm->MakeFolder = true;
  OForm->ShowError = [this](const std::string& text) {
    if (Services.ErrorReporter)
      Services.ErrorReporter->ShowError("Error", text);
    else
      std::cerr << "Error: " << text << "\n";
  };
  // The menu's "Options" shows the dialog; a window that draws it may wrap this.
  if (!ShowOptions) ShowOptions = [this] { OForm->Show(); };
  CForm = std::make_unique<TControlsForm>(GameSettings, OForm->IniPath());
  CForm->MakeFolder = true;
  CForm->ShowError = OForm->ShowError;
  if (!OForm->ShowControls) OForm->ShowControls = [this] { CForm->Show(); };

  if (!OS.Initialize() || Spr.FatalError) return false;
  Font.Init();
  Font.SetFont("Impact", 11, {});
  Font2.Init();
  Font2.SetFont("Showcard Gothic", 20, {});
  Inp.Init();
  Sound.CreateAudioPaths();
  Spr.DeviceInit();
  if (Spr.FatalError) return false;
  Timer.SetEnabled(true);
  InitLava();
  return true;
}

void TGForm::TimerTimer() {
  // 1-7: counters. The timer fires only once a whole target frame has passed, so TimeFactor
  // is exactly 1 and every counter moves in whole steps; the equality tests rely on it.
  TimeFactor = std::min(Timer.Delta, 1.0f);
  LavaScroll += TimeFactor;
  if (LavaScroll > 640) LavaScroll = 0;
  TitleCounter += TimeFactor;
  if (GameMode == 0) RoundTimer = 0;
  if (RoundTimer != -1 && RoundState == 0) RoundTimer = std::max(RoundTimer - 1, 0.0f);
  if (RoundTimer == 180) EndRound();
  TickCount += 1;

  // 8-9: the frame opens on the background; the title screen draws over it.
  OS.BeginScene();
  if (TImageListItem* bg = Spr.Find("BG")) {
    if (GameMode == 1) {
      bg->DrawColors(0, 0, 0, 0.5f, 0.5f, 1, 1, BackColor, BackColor, 0xFF000000u, 0xFF000000u, 0, 0);
    } else if (GameMode == 0) {
      const uint32_t red = ColorARGB(150, 0, 0, 255);
      bg->DrawColors(0, 0, 0, 0.5f, 0.5f, 1, 1, 0xFF000000u, 0xFF000000u, red, red, 0, 0);
    }
  }
  if (GameMode == 0) DoTitleScreen();

  // 10-11: the powerup countdown; an online match has no bubbles.
  if (RoundState == 0) PowerupCountdown -= TimeFactor;
  if (PowerupCountdown < 1) {
    if (OnlineGame != 1) new TItem(SE);  // owned by SE
    PowerupCountdown = static_cast<Single>(GameSettings.PowerupDelay * 60);
  }

  // 12: steering.
  GetInput();

  // 13-14: the world moves while a round is in play; everything is drawn always.
  if (RoundState == 0) {
    SE.MoveAll(TimeFactor);
    SE.CollideAll();
    SE.FreeDead();
  }
  SE.DrawAll();

  // 15: the caption counts frames while windowed.
  if (!OS.FullScreen) {
    Caption = "FPS = " + std::to_string(Timer.FPS);
    if (Services.Presenter) Services.Presenter->SetCaption(Caption);
  }

  // 16-19: overlays. The boards and the banner may start rounds: that happens here.
  if (GameMode == 1) Fader.Update();
  if (GameMode == 1 && RoundState == 1) DrawRoundScoreboard();
  if (GameMode == 1 && RoundState == 2) DrawFinalScoreboard();
  if (GameMode == 3) DrawNewRound();

  // 20: the frame is shown.
  OS.EndScene();
}

namespace {
// Key-assignment slots of the game's table.
enum TSlot : int { kSlotUp, kSlotDown, kSlotLeft, kSlotRight, kSlotReturn, kSlotW, kSlotS, kSlotA, kSlotD, kSlotQ, kSlotSpace };

// Each local player's keys: up, down, left, right, use.
constexpr std::array<std::array<int, 5>, 2> kPlayerSlots = {{
    {kSlotUp, kSlotDown, kSlotLeft, kSlotRight, kSlotReturn},
    {kSlotW, kSlotS, kSlotA, kSlotD, kSlotQ},
}};

TSlotSet SlotBit(int slot) { return TSlotSet{1} << slot; }
}  // namespace

bool TGForm::PlayedByComputer(const TPlayer* player) const {
  return player && ((player == Player1 && Computers[0]) || (player == Player2 && Computers[1]));
}

// A computer player's keys replace the keyboard's for that player: what a person presses for it
// is ignored, and its keys go through the same rules below. Online there is no computer player.
TSlotSet TGForm::ComputerKeys(TSlotSet down) {
  for (size_t seat = 0; seat < Computers.size(); ++seat) {
    const TPlayedBy wanted = OnlineGame == 0 ? GameSettings.PlayedBy[seat] : TPlayedBy::Person;
    std::unique_ptr<TComputerPlayer>& computer = Computers[seat];
    if (wanted == TPlayedBy::Person)
      computer.reset();
    else if (!computer || computer->Level() != wanted)
      computer = std::make_unique<TComputerPlayer>(*this, static_cast<int>(seat), wanted);
    if (!computer) continue;
    const std::array<int, 5>& slots = kPlayerSlots[seat];
    for (int slot : slots) down &= ~SlotBit(slot);
    const TPad pad = computer->Think();
    const bool held[5] = {pad.Up, pad.Down, pad.Left, pad.Right, pad.Use};
    for (size_t i = 0; i < slots.size(); ++i)
      if (held[i]) down |= SlotBit(slots[i]);
  }
  return down;
}

void TGForm::GetInput() {
  if (Player2) Player2->ClearInput();
  // The actions' keys, rebound or not, are the first slots of the table.
  const TControls& controls = GameSettings.Controls;
  for (size_t action = 0; action < kControlActionCount; ++action) Inp.Keyboard.Assigns[action] = controls.Keys[action];
  Inp.Keyboard.Poll();
  // A pad holds the slots its player's keys would: either one holds a slot down.
  const TSlotSet pads = Services.Pads ? PadSlots(controls, *Services.Pads, OnlineGame == 1) : 0;
  const TSlotSet down = ComputerKeys(Inp.Keyboard.Down | pads);
  auto isDown = [down](int slot) { return (down & (TSlotSet{1} << slot)) != 0; };

  if (isDown(kSlotSpace) && RoundState == 1) {
    // Online, the peers drop at the next round whoever they did not hear this from.
    if (!Player1->Ready && OnlineGame == 1 && RoomLink.SendReady) RoomLink.SendReady();
    Player1->Ready = true;
    if (Player2) Player2->Ready = true;
  }
  TPlayer& p1 = *Player1;
  if (p1.OnGround || p1.OnRope) {
    // A released key stops the player and tells the peers where it stopped.
    if (isDown(kSlotLeft)) {
      p1.KeyLeft = true;
    } else if (p1.KeyLeft) {
      p1.ClearInput();
      p1.SendAction(13);
    }
    if (isDown(kSlotRight)) {
      p1.KeyRight = true;
    } else if (p1.KeyRight) {
      p1.ClearInput();
      p1.SendAction(13);
    }
    if (isDown(kSlotUp)) p1.KeyUp = true;
    if (isDown(kSlotDown)) {
      p1.KeyDown = true;
    } else if (p1.KeyDown) {
      p1.ClearInput();
      p1.SendAction(13);
    }
  }
  if (isDown(kSlotReturn)) p1.UseItem();
  if (Player2 && (Player2->OnGround || Player2->OnRope)) {
    if (isDown(kSlotA)) Player2->KeyLeft = true;
    if (isDown(kSlotD)) Player2->KeyRight = true;
    if (isDown(kSlotW)) Player2->KeyUp = true;
    if (isDown(kSlotS)) Player2->KeyDown = true;
  }
  if (isDown(kSlotQ) && Player2) Player2->UseItem();
}

void TGForm::FormKeyDown(Integer key) {
  if (key != kVirtualKeyEscape) return;
  if (GameMode == 1)
    StartMenu();
  else if (GameMode == 0)
    Close();
}

void TGForm::Timer1Timer() {
  if (OnlineGame != 0 && Player1) Player1->SendAction(14);
}

void TGForm::PlaySound(const std::string& name) {
  // The runner empties the record after each traced frame.
  SoundsThisFrame.push_back(name);
  // The game plays only names from its table; an unknown name plays nothing.
  if (TSoundListItem* item = Sound.SoundList.Find(name)) item->Play();
}

void TGForm::HandleEvent(const TInputEvent& event) {
  switch (event.Kind) {
    case TInputEventKind::KeyDown:
      FormKeyDown(event.VirtualKey);
      break;
    case TInputEventKind::Close:
      Close();
      break;
    case TInputEventKind::MouseMove:
      FormMouseMove(event.X, event.Y);
      break;
    case TInputEventKind::Click:
      FormClick();
      break;
    case TInputEventKind::FocusGained:
      Focused = true;
      Inp.Activated();
      break;
    case TInputEventKind::FocusLost:
      Focused = false;
      break;
    case TInputEventKind::KeyUp:
      break;
  }
}

void TGForm::Close() {
  Closed = true;
  Timer.SetEnabled(false);
}

}  // namespace lr
