// TGForm: the main window's game. It owns the engine components, the global game state and
// the random generator, and runs one frame per call of TimerTimer. Nothing of the game lives
// outside this object, so several games can run side by side in one process.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/OmegaFont.h"
#include "engine/OmegaFader.h"
#include "engine/OmegaImageList.h"
#include "engine/OmegaPrimitives.h"
#include "engine/OmegaInput.h"
#include "engine/OmegaScreen.h"
#include "engine/OmegaSound3D.h"
#include "engine/OmegaSprite.h"
#include "engine/OmegaTimer.h"
#include "engine/PlainTimer.h"
#include "engine/Types.h"
#include "settings/GameSettings.h"
#include "settings/ControlsForm.h"
#include "settings/OptionsForm.h"
#include "game/LevelUnit.h"
#include "game/RandomGenerator.h"
#include "net/NetService.h"
#include "net/WSockets.h"
#include "platform/Clock.h"
#include "platform/Gamepad.h"
#include "platform/InputEvent.h"
#include "platform/Presenter.h"

namespace lr {

class TPlayer;
class TBounceText;
class TComputerPlayer;
struct TAction;

// What the form needs from the machine it runs on.
struct TFormServices {
  IClock* Clock = nullptr;
  IPresenter* Presenter = nullptr;  // nullptr: frames are drawn but shown nowhere
  // Where online play connects: the master server, and the port of the game rooms (a host
  // listens on it, a joiner connects to it).
  std::string MasterHost = "127.0.0.1";
  std::string MasterPort = "8888";
  std::string RoomPort = "8889";
  // Delivers the socket events of the form's connections; nullptr: the form keeps its own,
  // polled by whoever runs the form.
  TNetService* Net = nullptr;
  std::string DataFolder = "data";  // where the sprite sheets are
  IKeyboardDevice* Keyboard = nullptr;  // nullptr: no keyboard input
  const TGamepads* Pads = nullptr;      // nullptr: no pads
  IErrorReporter* ErrorReporter = nullptr;  // nullptr: errors go to stderr
  IAudioDevice* Audio = nullptr;            // plays the sounds; required
  IFontRasterizer* Fonts = nullptr;         // nullptr: text draws nothing
  // The settings file (lavarumble.ini beside it); its folder is made when first saved. The
  // program picks it: --config-dir, the working directory's, or the user's settings folder.
  std::string OptionsFile = "Options.dat";
};

class TGForm : public TSpriteOwner {
 public:
  explicit TGForm(const TFormServices& services);
  ~TGForm() override;
  TGForm(const TGForm&) = delete;
  TGForm& operator=(const TGForm&) = delete;

  // The socket events' pump. Declared first, so every connection of the form closes before it.
  std::unique_ptr<TNetService> OwnNet;
  TNetService& Net;

  // [SECTION] Components, in declaration order.
  TOmegaScreen OS;
  TOmegaSprite SE;
  TOmegaFont Font;
  TOmegaTimer Timer;
  TOmegaInput Inp;
  TOmegaSound3D Sound;
  TOmegaImageList Spr;
  TOmegaFader Fader;
  TOmegaPrimitives Prim;
  TOmegaFont Font2;
  TPlainTimer Timer1;

  // [SECTION] Global game state.
  TGameSettings GameSettings;
  TRandomGenerator Rng;
  TPlayer* Player1 = nullptr;  // owned by SE
  TPlayer* Player2 = nullptr;  // owned by SE; nullptr once an online match was launched
  std::vector<TPlayer*> Players;
  std::vector<TPlayer*> DeadPlayers;
  // The options dialog, made hidden right after the two players; its rounds field is read
  // by StartGame.
  std::unique_ptr<TOForm> OForm;
  // The Controls window, opened from the options dialog: keys and pads of the actions.
  std::unique_ptr<TControlsForm> CForm;
  Integer TickCount = 0;
  Single TimeFactor = 0;
  Single PowerupCountdown = 0;
  Byte GameMode = 0;
  Byte RoundState = 0;
  Single RoundTimer = 0;
  Single LavaScroll = 0;
  Single TitleCounter = 0;
  Single ScoreFade = 0;
  Single ScoreCountdown = 0;
  Single BannerCounter = 0;
  uint32_t BackColor = 0;
  std::vector<TBounceText*> MenuTexts;  // the menu entries, owned by SE
  Integer HoverOption = 0;
  Byte OnlineGame = 0;
  Word LevelSeed = 0;
  Byte RoundNumber = 0;
  TLevelGrid LevelGrid;
  // The seed of the level built last and its sprites in placement order, for traces:
  // platforms as (col, row), ropes as (col, row, piece).
  struct TLevelRecord {
    Integer Seed = 0;
    std::vector<std::array<Integer, 2>> Platforms;
    std::vector<std::array<Integer, 3>> Ropes;
  };
  TLevelRecord LastLevel;
  bool LevelBuiltThisFrame = false;
  // Players dropped from an online match: out of SE and Players, kept alive (not freed) so
  // that no pointer to them dangles. Declared after SE, so they go before it.
  std::vector<std::unique_ptr<TSprite>> DroppedPlayers;
  // Sine and cosine of every whole degree, for the particle emitters.
  std::array<Single, 360> SinTable{};
  std::array<Single, 360> CosTable{};

  // The window caption as last set by the frame.
  std::string Caption = "Lava Rumble";
  // The main window has the keyboard focus (the menu ignores the mouse otherwise).
  bool Focused = true;
  // The dialogs this window opens; unset until they exist.
  std::function<void()> ShowOptions;
  std::function<void()> ShowLobby;
  // The lobby window as the title screen sees it (the lobby lives above the game): whether it
  // is shown, and its master-server client. Unset until there is a lobby.
  struct TLobbyLink {
    std::function<bool()> Shown;
    TTCPClient* LClient = nullptr;
  };
  TLobbyLink Lobby;
  // The game room's side of an online match (the room lives above the game and sets these;
  // unset, nothing leaves this machine).
  struct TRoomLink {
    // The local player's movement, or its position sync, for the peers.
    std::function<void(const TAction&)> SendAction;
    // The local player wants to go on at the round scoreboard.
    std::function<void()> SendReady;
    // An online match has gone back to the title screen on this machine.
    std::function<void()> MatchOver;
  };
  TRoomLink RoomLink;
  // The main window has been closed: the program ends.
  bool Closed = false;
  // Names of the sounds played during the current frame, for traces.
  std::vector<std::string> SoundsThisFrame;
  // The computer steering Player1 and Player2 of a local match, as GameSettings.PlayedBy says;
  // nullptr where a person plays.
  std::array<std::unique_ptr<TComputerPlayer>, 2> Computers;
  // Whether the computer steers this player (the scoreboards mark its name).
  bool PlayedByComputer(const TPlayer* player) const;

  // [SECTION] Operations.
  // The one-time set-up; false when the screen or a texture could not be made (the error
  // has been shown and the program ends with code 1).
  bool FormCreate();
  void TimerTimer();
  void GetInput();
  // The keys down this frame with the computer players' keys in place of the keyboard's.
  TSlotSet ComputerKeys(TSlotSet down);
  void FormKeyDown(Integer key);
  void Timer1Timer();
  void PlaySound(const std::string& name);
  void SeedRandomFromClock();
  Integer Random(Integer n) { return Rng.Random(n); }

  // Rounds.
  void StartGame();
  void StartRound();
  void EndRound();
  void DrawNewRound();
  void StartMenu();
  // Kills every sprite that is neither a player nor the lava.
  void RemoveArena();

  // Level.
  void BuildLevel(Integer seed);
  void AddPlatforms(Integer col, Integer row, Integer extra);
  void AddRope(Integer col, Integer row, Integer extra);

  // Lava.
  void InitLava();

  // Title screen and menu.
  void DoTitleScreen();
  void TitleFall();
  void BounceText(const std::string& name, Integer x, Integer y, Byte option);
  void FormMouseMove(Integer x, Integer y);
  void FormClick();
  void OnOptionClick();

  // Scoreboards.
  void DrawRoundScoreboard();
  void DrawFinalScoreboard();

  // The one entry point of every player input: keys, mouse and window events.
  void HandleEvent(const TInputEvent& event);
  // Closes the main window, which ends the program.
  void Close();

  IClock& Clock() { return *Services.Clock; }
  const TFormServices& Machine() const { return Services; }

  // The form a sprite of this game belongs to.
  static TGForm& Of(const TSprite& sprite) { return static_cast<TGForm&>(*sprite.Engine->Owner); }

 private:
  TFormServices Services;
};

}  // namespace lr
