// Command line, wiring of the platform services, and the two runners.
#include "app/Program.h"

#include <CLI/CLI.hpp>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "app/InputScript.h"
#include "app/OptionWords.h"
#include "app/Sandbox.h"
#include "app/TraceWriter.h"
#include "engine/GameSounds.h"
#include "game/MainForm.h"
#include "online/Online.h"
#include "platform/Clock.h"
#include "platform/KeyboardDevice.h"
#include "platform/Paths.h"
#include "platform/FontRasterizer.h"
#include "platform/PngFile.h"
#include "platform/RecordingAudio.h"
#include "platform/SdlAudio.h"
#include "platform/SdlGamepads.h"
#include "platform/SdlWindow.h"
#include "platform/MessageBox.h"
#include "ui/ControlsView.h"
#include "ui/LobbyView.h"
#include "ui/OptionsView.h"
#include "ui/RoomView.h"

#ifndef LR_VERSION
#define LR_VERSION "unknown"
#endif

namespace lr {

namespace {

// Set by SIGTERM or SIGINT: a headless run ends after the frame under way, as when its frames
// run out (trace closed, exit code 0), so a long real-time run can be ended cleanly.
volatile std::sig_atomic_t StopRequested = 0;
void RequestStop(int) { StopRequested = 1; }

constexpr int kExitBadArguments = 2;
constexpr const char* kOptionsFileName = "Options.dat";
// The dialogs' face; fontconfig offers its nearest installed sans serif.
constexpr const char* kDialogFont = "MS Sans Serif";
// The lobby's buttons wear the menu's poster face.
constexpr const char* kDisplayFont = "Showcard Gothic";

struct TOptions {
  bool Headless = false;
  int64_t Frames = 0;
  int64_t Seed = 0;
  std::string InputFile;
  std::string TraceFile;
  std::vector<std::string> Screenshots;
  bool Realtime = false;
  int Scale = 0;
  bool SoundCheck = false;
  std::string MasterHost;
  std::string MasterPort;
  std::string RoomPort = "8889";
  std::vector<std::string> Bubbles;
  std::vector<std::string> Placements;
  std::string Powerups;
  TSandbox Sandbox;
  // --cpu: who plays Player1 and Player2, over lavarumble.ini; unset entries keep the file's.
  std::array<std::optional<TPlayedBy>, 2> PlayedBy;
  std::string ConfigDir;  // --config-dir
  std::string OptionsFile = kOptionsFileName;  // chosen by OptionsFileFor
};

// The settings file: in --config-dir when given; else an Options.dat of the working directory,
// where one exists, so setups from before the settings folder keep working; else, in a window,
// the user's settings folder. Headless runs keep the working directory, so each test or replay
// has its own settings.
std::string OptionsFileFor(const TOptions& options) {
  if (!options.ConfigDir.empty()) return (std::filesystem::path(options.ConfigDir) / kOptionsFileName).string();
  std::error_code ec;
  if (options.Headless || std::filesystem::exists(kOptionsFileName, ec)) return kOptionsFileName;
  const std::string folder = UserConfigDirectory();
  return folder.empty() ? kOptionsFileName : (std::filesystem::path(folder) / kOptionsFileName).string();
}

// --sound-check: every sound of the game's table once, in table order, one every half second
// from the first frame on, so the whole set can be heard (or seen in a trace).
class TSoundCheck {
 public:
  explicit TSoundCheck(bool enabled) : Next(enabled ? 0 : kGameSounds.size()) {}
  void BeforeFrame(TGForm& form) {
    if (Next >= kGameSounds.size() || form.TickCount % 30 != 0) return;
    // A sound file that cannot be loaded is said and skipped, as inside a frame.
    try {
      form.PlaySound(std::string(kGameSounds[Next++].Name));
    } catch (const std::exception& e) {
      std::cerr << "Lava Rumble: " << e.what() << "\n";
    }
  }

 private:
  size_t Next;
};

// Without a window, errors are lines on stderr.
class TStderrReporter final : public IErrorReporter {
 public:
  void ShowError(const std::string& title, const std::string& text) override {
    std::cerr << title << ": " << text << "\n";
  }
};

// The start of either runner: the form's set-up, then the settings file (OptionsFileFor),
// then the sandbox's changes over them. A damaged settings file does not stop the
// game: what could be read is in effect, and one line says so. False when the set-up failed
// (its error has been shown).
bool StartForm(TGForm& form, TOptions& options) {
  if (!form.FormCreate()) return false;
  const std::string problem = form.OForm->LoadOptions();
  if (!problem.empty()) std::cerr << "lavarumble: " << problem << "\n";
  const std::string controls = form.CForm->LoadControls();
  if (!controls.empty()) std::cerr << "lavarumble: " << controls << "\n";
  for (size_t seat = 0; seat < options.PlayedBy.size(); ++seat)
    if (options.PlayedBy[seat]) form.GameSettings.PlayedBy[seat] = *options.PlayedBy[seat];
  options.Sandbox.Apply(form);
  return true;
}

// A headless presenter keeps the last frame shown.
class TFrameKeeper final : public IPresenter {
 public:
  void Present(const uint32_t* argb, int width, int height) override {
    Pixels.assign(argb, argb + static_cast<size_t>(width) * height);
    Width = width;
    Height = height;
  }
  void SetCaption(const std::string& caption) override { Caption = caption; }
  std::vector<uint32_t> Pixels;
  int Width = 0;
  int Height = 0;
  std::string Caption;
};

// Polls both timers. A failure inside a frame (a sound file that cannot be loaded, say) ends
// that frame and is reported; the next frames run as usual. A window shows each distinct
// message once; every occurrence goes to stderr.
class TFrameGuard {
 public:
  explicit TFrameGuard(IErrorReporter& reporter) : Reporter(reporter) {}
  void Tick(TGForm& form) {
    try {
      form.Timer1.Poll();
      form.Timer.Tick();
    } catch (const std::exception& e) {
      if (Shown.insert(e.what()).second)
        Reporter.ShowError("Lava Rumble", e.what());
      else
        std::cerr << "Lava Rumble: " << e.what() << "\n";
    }
  }

 private:
  IErrorReporter& Reporter;
  std::set<std::string> Shown;
};

// The master server's address: --master, else $LAVARUMBLE_MASTER, else this machine.
std::string DefaultMaster() {
  const char* env = std::getenv("LAVARUMBLE_MASTER");
  return env && *env ? env : "127.0.0.1";
}

int Fail(const std::string& message) {
  std::cerr << "lavarumble: " << message << "\n";
  return kExitBadArguments;
}

bool ReadFile(const std::string& path, std::string& text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream buffer;
  buffer << in.rdbuf();
  text = buffer.str();
  return !in.bad();
}

int RunHeadless(TOptions& options) {
  TInputScript script;
  if (!options.InputFile.empty()) {
    std::string text, error;
    if (!ReadFile(options.InputFile, text)) return Fail("cannot read input file '" + options.InputFile + "'");
    if (!ParseInputScript(text, script, error)) return Fail(options.InputFile + ": " + error);
  }
  std::map<int64_t, std::vector<std::string>> shots;
  for (const std::string& shot : options.Screenshots) {
    const size_t colon = shot.find(':');
    int64_t frame = 0;
    if (colon == std::string::npos || colon == 0 || colon + 1 == shot.size())
      return Fail("--screenshot expects FRAME:PATH.png, got '" + shot + "'");
    try {
      size_t used = 0;
      frame = std::stoll(shot.substr(0, colon), &used);
      if (used != colon || frame < 1) throw std::invalid_argument("frame");
    } catch (const std::exception&) {
      return Fail("--screenshot expects FRAME:PATH.png, got '" + shot + "'");
    }
    const std::filesystem::path path(shot.substr(colon + 1));
    std::error_code ec;
    if (path.has_parent_path() && !std::filesystem::is_directory(path.parent_path(), ec))
      return Fail("cannot write screenshot '" + path.string() + "': no such folder");
    shots[frame].push_back(path.string());
  }
  TTraceWriter trace;
  std::string error;
  if (!options.TraceFile.empty() && !trace.Open(options.TraceFile, error)) return Fail(error);

  // Back to back on a virtual clock, or paced on the system clock from the same time of day.
  VirtualClock virtualClock(static_cast<uint32_t>(options.Seed));
  SystemClock realClock(static_cast<uint32_t>(options.Seed));
  IClock& clock = options.Realtime ? static_cast<IClock&>(realClock) : virtualClock;
  TRecordingAudio audio(clock);
  TFontRasterizer fonts;
  TScriptedKeyboard keyboard;
  TGamepads pads;
  TFrameKeeper screen;
  TStderrReporter errors;
  TNetService net;
  TGForm form({.Clock = &clock,
               .Presenter = &screen,
               .MasterHost = options.MasterHost,
               .MasterPort = options.MasterPort,
               .RoomPort = options.RoomPort,
               .Net = &net,
               .DataFolder = GameDataDirectory() + "/data",
               .Keyboard = &keyboard,
               .Pads = &pads,
               .ErrorReporter = &errors,
               .Audio = &audio,
               .Fonts = &fonts,
               .OptionsFile = options.OptionsFile});
  if (!StartForm(form, options)) return 1;
  TOnline online(form);
  TNetTrace netTrace{.Online = &online};
  TFrameGuard guard(errors);
  TSoundCheck soundCheck(options.SoundCheck);

  int32_t pointerX = 0, pointerY = 0;
  StopRequested = 0;
  std::signal(SIGTERM, RequestStop);
  std::signal(SIGINT, RequestStop);
  for (int64_t frame = 1; frame <= options.Frames && !form.Closed && !StopRequested; ++frame) {
    if (auto it = script.Events.find(frame); it != script.Events.end()) {
      for (const TScriptEvent& line : it->second) {
        if (line.Lobby) {
          ApplyLobbyAction(online.Lobby, *line.Lobby);
          continue;
        }
        if (line.Room) {
          ApplyRoomAction(online.Room, *line.Room);
          continue;
        }
        if (line.Pad) {
          ApplyPadEvent(pads, *line.Pad);
          continue;
        }
        TInputEvent event = line.Input;
        switch (event.Kind) {
          case TInputEventKind::KeyDown:
          case TInputEventKind::KeyUp:
            keyboard.SetKey(event.Key, event.Kind == TInputEventKind::KeyDown);
            break;
          case TInputEventKind::MouseMove:
            pointerX = event.X;
            pointerY = event.Y;
            break;
          case TInputEventKind::Click:
            event.X = pointerX;
            event.Y = pointerY;
            break;
          default:
            break;
        }
        // A key release is not a window event the game listens to, but passing it keeps
        // the one entry point complete.
        form.HandleEvent(event);
      }
    }
    if (form.Closed) break;
    soundCheck.BeforeFrame(form);
    options.Sandbox.BeforeFrame(form);
    if (options.Realtime) {
      // Until the frame is due, socket events are handled as they come, as in the window;
      // the last part of a millisecond is slept out.
      for (int64_t wait; (wait = form.Timer.TicksUntilDue()) > 0;) {
        const int64_t ms = wait * 1000 / clock.Frequency();
        if (ms >= 1)
          net.Wait(static_cast<int>(ms));
        else
          std::this_thread::sleep_for(std::chrono::nanoseconds(wait * 1'000'000'000 / clock.Frequency()));
      }
    } else {
      // Every frame is exactly one target frame long.
      virtualClock.Advance(form.Timer.TicksPerFrame());
    }
    // Whatever has arrived is handled before the frame, never inside it.
    net.Poll();
    online.Idle();
    guard.Tick(form);
    if (!options.TraceFile.empty()) trace.Write(FrameRecord(form, frame, &netTrace));
    form.SoundsThisFrame.clear();
    if (auto it = shots.find(frame); it != shots.end()) {
      for (const std::string& path : it->second) {
        if (screen.Pixels.empty()) return Fail("no frame was shown by frame " + std::to_string(frame));
        if (!WritePng(path, screen.Pixels.data(), screen.Width, screen.Height, error))
          return Fail("cannot write screenshot '" + path + "': " + error);
      }
    }
  }
  if (!trace.Close(error)) return Fail(error);
  return 0;
}

int RunWindowed(TOptions& options) {
  SystemClock clock;
  TFontRasterizer fonts;
  // The options dialog's window, hidden until the menu's "Options". It is made before the
  // game window, which must be the newest: SDL wakes its event wait through that one.
  TDialogWindow optionsDialog;
  TDialogWindow lobbyDialog;
  TDialogWindow roomDialog;
  TDialogWindow controlsDialog;
  const TDialogFontFiles dialogFonts = {.Regular = fonts.Find(kDialogFont, 0).Path,
                                        .Bold = fonts.Find(kDialogFont, kFontBold).Path,
                                        .Display = fonts.Find(kDisplayFont, 0).Path};
  std::string dialogError, lobbyError, roomError, controlsError;
  const bool dialogOpen = optionsDialog.Open(TOptionsWindow::kCaption, TOptionsWindow::kWidth,
                                             TOptionsWindow::kHeight, dialogFonts, dialogError);
  const bool lobbyOpen =
      lobbyDialog.Open(TLobbyWindow::kCaption, TLobbyWindow::kWidth, TLobbyWindow::kHeight, dialogFonts, lobbyError);
  const bool roomOpen =
      roomDialog.Open(TRoomWindow::kCaption, TRoomWindow::kWidth, TRoomWindow::kHeight, dialogFonts, roomError);
  const bool controlsOpen = controlsDialog.Open(TControlsWindow::kCaption, TControlsWindow::kWidth,
                                                TControlsWindow::kHeight, dialogFonts, controlsError);
  TSdlWindow window;
  TSdlKeyboard keyboard(window);
  TSdlAudio audio;
  // The pads: SDL's mapping database is built in; a gamecontrollerdb.txt beside the program
  // adds to it.
  TGamepads pads;
  TSdlGamepads sdlPads(pads);
  std::string error;
  if (!window.Open("Lava Rumble", 640, 480, options.Scale, error)) {
    // Without a window there is no device to draw on.
    std::cerr << "lavarumble: " << error << "\n";
    TMessageBoxReporter errors;
    errors.ShowError("Error", ScreenErrorText(kErrNoDirect3D));
    errors.ShowError("Error", kExitText);
    return 1;
  }
  TMessageBoxReporter errors;
  if (std::string padError; !sdlPads.Open(ExecutableDirectory() + "/gamecontrollerdb.txt", padError))
    std::cerr << "lavarumble: no pads: " << padError << "\n";
  else if (!padError.empty())
    std::cerr << "lavarumble: " << padError << "\n";
  window.SetGamepads(&sdlPads);
  // Socket events wake the window's wait and are handled on this thread between frames.
  TNetService net;
  net.SetWakeCallback(window.WakeFunction());
  TGForm form({.Clock = &clock,
               .Presenter = &window,
               .MasterHost = options.MasterHost,
               .MasterPort = options.MasterPort,
               .RoomPort = options.RoomPort,
               .Net = &net,
               .DataFolder = GameDataDirectory() + "/data",
               .Keyboard = &keyboard,
               .Pads = &pads,
               .ErrorReporter = &errors,
               .Audio = &audio,
               .Fonts = &fonts,
               .OptionsFile = options.OptionsFile});
  if (!StartForm(form, options)) return 1;
  TFrameGuard guard(errors);
  TSoundCheck soundCheck(options.SoundCheck);

  TOnline online(form);

  std::vector<TInputEvent> events;
  // The options dialog and the lobby beside the game window; the game keeps running while
  // they are open.
  TOptionsWindow optionsWindow(*form.OForm, optionsDialog);
  TLobbyWindow lobbyWindow(online.Lobby, lobbyDialog);
  TRoomWindow roomWindow(online.Room, roomDialog);
  TControlsWindow controlsWindow(*form.CForm, controlsDialog, &pads);
  window.SetOtherWindowEvents([&](const SDL_Event& event) {
    if (dialogOpen) optionsWindow.HandleEvent(event);
    if (controlsOpen) controlsWindow.HandleEvent(event);
    if (lobbyOpen) lobbyWindow.HandleEvent(event);
    if (roomOpen) roomWindow.HandleEvent(event);
  });
  if (dialogOpen) {
    optionsDialog.SetOwner(window.Handle());
    form.ShowOptions = [&] { optionsWindow.Show(); };
  } else {
    std::cerr << "lavarumble: the options dialog cannot open: " << dialogError << "\n";
  }
  if (lobbyOpen) {
    lobbyDialog.SetOwner(window.Handle());
    form.ShowLobby = [&, show = form.ShowLobby] {
      show();
      if (online.Lobby.Visible) lobbyWindow.Raise();
    };
  } else {
    std::cerr << "lavarumble: the lobby cannot open: " << lobbyError << "\n";
    // Without its window the lobby would connect unseen.
    form.ShowLobby = nullptr;
  }
  if (controlsOpen) {
    controlsDialog.SetOwner(window.Handle());
    form.OForm->ShowControls = [&] { controlsWindow.Show(); };
  } else {
    std::cerr << "lavarumble: the Controls window cannot open: " << controlsError << "\n";
  }
  if (roomOpen)
    roomDialog.SetOwner(window.Handle());
  else
    std::cerr << "lavarumble: the game room cannot open: " << roomError << "\n";
  const int64_t ticksPerMs = clock.Frequency() / 1000;
  while (!form.Closed) {
    // Sleep on the window's events until the next frame or heartbeat is due: wake a
    // millisecond early, then sleep out the rest precisely, so frames neither come late nor
    // cost a spinning core.
    int64_t wait = form.Timer.TicksUntilDue();
    const int64_t heartbeat = form.Timer1.TicksUntilDue();
    if (wait < 0 || (heartbeat >= 0 && heartbeat < wait)) wait = heartbeat;
    events.clear();
    if (wait < 0 || wait > 2 * ticksPerMs)
      window.WaitEvents(wait < 0 ? 100 : static_cast<int>(wait / ticksPerMs) - 1, events);
    else
      window.WaitEvents(0, events);
    if (events.empty() && wait > 0 && wait <= 2 * ticksPerMs)
      std::this_thread::sleep_for(std::chrono::nanoseconds(wait * 1'000'000'000 / clock.Frequency()));
    for (const TInputEvent& event : events) form.HandleEvent(event);
    net.Poll();
    online.Idle();
    // The menu ignores the mouse while a dialog has the keyboard focus.
    if (optionsWindow.HasKeyboardFocus() || lobbyWindow.HasKeyboardFocus() || roomWindow.HasKeyboardFocus() ||
        controlsWindow.HasKeyboardFocus())
      form.Focused = false;
    if (form.Timer.TicksUntilDue() == 0) {
      soundCheck.BeforeFrame(form);
      options.Sandbox.BeforeFrame(form);
    }
    guard.Tick(form);
    form.SoundsThisFrame.clear();
    optionsWindow.Update();
    lobbyWindow.Update();
    roomWindow.Update();
    controlsWindow.Update();
  }
  window.SetOtherWindowEvents(nullptr);
  window.SetGamepads(nullptr);
  net.SetWakeCallback(nullptr);
  return 0;
}

}  // namespace

int RunProgram(int argc, char** argv) {
  TOptions options;
  CLI::App app{"Lava Rumble: stick figures, platforms, ropes and lava.", "lavarumble"};
  // Numbers are taken as words and checked here, so a typing mistake gets one short line.
  std::string frames, seed, scale, roomPort;
  std::string master = DefaultMaster();
  app.add_flag("--headless", options.Headless, "Run without a window on a virtual clock");
  app.add_option("--frames", frames, "Headless: number of frames to run");
  app.add_option("--seed", seed, "Headless: virtual time of day in milliseconds after midnight UTC");
  app.add_flag("--realtime", options.Realtime,
               "Headless: pace the frames on the system clock as the window does (60 a second), so several "
               "games and servers can talk over the network in real time");
  app.add_option("--input", options.InputFile, "Headless: scripted input file");
  app.add_option("--trace", options.TraceFile, "Headless: write a JSON Lines trace of every frame");
  app.add_option("--screenshot", options.Screenshots, "Headless: FRAME:PATH.png, repeatable");
  app.add_option("--master", master,
                 "The master server, HOST[:PORT] (default: $LAVARUMBLE_MASTER, else 127.0.0.1; port 8888)");
  app.add_option("--room-port", roomPort,
                 "The game room's port: a host listens on it, a joiner connects to it (default 8889; 0: a host "
                 "listens where the system chooses)");
  app.add_flag("--sound-check", options.SoundCheck, "Play every sound of the game once, half a second apart");
  app.add_option("--bubble", options.Bubbles,
                 "Sandbox: TICK:KIND:X:Y[:VX:VY], a bubble of KIND (0-8 or landmine, electricity, spring-boots, "
                 "switch-places, death, dynamite, teleport, handgun, spring-glove) put at X,Y with drift VX,VY "
                 "(default 0) on the TICKth frame of play of every round; repeatable");
  app.add_option("--place", options.Placements,
                 "Sandbox: TICK:PLAYER:X:Y, player 1 (Red Man) or 2 (Green Man) put at X,Y, at rest, on the "
                 "TICKth frame of play of every round; repeatable");
  app.add_option("--powerups", options.Powerups,
                 "Sandbox: the kinds the random bubbles may carry, KIND[,KIND...] or none (default: all)");
  std::vector<std::string> cpus;
  app.add_option("--cpu", cpus,
                 "PLAYER:LEVEL, the computer plays player 1 (Red Man) or 2 (Green Man) at LEVEL easy, normal or "
                 "hard (person: the keyboard again); repeatable, over lavarumble.ini");
  app.add_option("--scale", scale, "Window: whole scale factor, 1 to 16 (default: fit the desktop)");
  app.add_option("--config-dir", options.ConfigDir,
                 "The folder of Options.dat and lavarumble.ini, made when first saved (default: an Options.dat "
                 "in the working directory where one exists, else $XDG_CONFIG_HOME/lavarumble, else "
                 "~/.config/lavarumble; headless: the working directory)");
  app.set_version_flag("--version", std::string("lavarumble ") + LR_VERSION, "Print the version and exit");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return app.exit(e);
  } catch (const CLI::CallForVersion& e) {
    return app.exit(e);
  } catch (const CLI::ParseError& e) {
    std::cerr << "lavarumble: " << e.what() << " (see --help)\n";
    return kExitBadArguments;
  }
  std::string error;
  int64_t number = 0;
  if (app.count("--frames")) {
    if (!ParseWholeOption("--frames", frames, 0, INT64_MAX, options.Frames, error)) return Fail(error);
  }
  if (app.count("--seed")) {
    if (!ParseWholeOption("--seed", seed, 0, 86'399'999, options.Seed, error)) return Fail(error);
  }
  if (app.count("--scale")) {
    if (!ParseWholeOption("--scale", scale, 1, 16, number, error)) return Fail(error);
    options.Scale = static_cast<int>(number);
  }
  if (app.count("--room-port")) {
    if (!ParseWholeOption("--room-port", roomPort, 0, 65535, number, error)) return Fail(error);
    options.RoomPort = roomPort;
  }
  if (!ParseMaster(master, options.MasterHost, options.MasterPort, error)) return Fail(error);
  for (const std::string& bubble : options.Bubbles)
    if (!options.Sandbox.AddBubble(bubble, error)) return Fail(error);
  for (const std::string& place : options.Placements)
    if (!options.Sandbox.AddPlacement(place, error)) return Fail(error);
  if (app.count("--powerups") && !options.Sandbox.SetPowerups(options.Powerups, error)) return Fail(error);
  for (const std::string& cpu : cpus) {
    int player = 0;
    TPlayedBy level{};
    if (!ParseCpuOption(cpu, player, level, error)) return Fail(error);
    options.PlayedBy[static_cast<size_t>(player - 1)] = level;
  }
  if (!options.Headless && (!options.InputFile.empty() || !options.TraceFile.empty() ||
                            !options.Screenshots.empty() || app.count("--frames") || app.count("--seed") ||
                            options.Realtime))
    return Fail("--frames, --seed, --realtime, --input, --trace and --screenshot need --headless");
  if (app.count("--config-dir") && options.ConfigDir.empty()) return Fail("--config-dir needs a folder");
  options.OptionsFile = OptionsFileFor(options);
  if (options.Headless) {
    if (!app.count("--frames")) return Fail("--headless needs --frames N");
    return RunHeadless(options);
  }
  return RunWindowed(options);
}

}  // namespace lr
