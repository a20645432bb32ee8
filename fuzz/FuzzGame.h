// One whole game with its lobby and room for the online fuzz targets, on the in-memory
// socket layer, and the checks of what its lobby and room show against what they hold.
#pragma once

#include <algorithm>
#include <iostream>
#include <sstream>
#include <memory>
#include <set>
#include <string>

#include "FuzzSupport.h"
#include "actors/PlayerUnit.h"
#include "game/MainForm.h"
#include "online/Online.h"
#include "platform/Clock.h"
#include "platform/KeyboardDevice.h"
#include "platform/AudioDevice.h"

namespace lr::fuzz {

// An audio device that takes every wave without reading it: the targets run without the
// game's generated sounds, and what plays does not change the rules.
class TFuzzAudio final : public IAudioDevice {
 public:
  bool Ok() const override { return true; }
  int AllocateChannels(int count) override { return count; }
  TWaveHandle LoadWave(const std::string&, std::string&) override { return ++Waves; }
  void FreeWave(TWaveHandle) override {}
  int Play(TWaveHandle, int firstChannel, int, int, uint8_t, uint8_t, int) override { return firstChannel; }
  bool IsChannelPlaying(int) override { return false; }
  bool IsPlaying(TWaveHandle) override { return false; }
  void Stop(TWaveHandle) override {}

 private:
  TWaveHandle Waves = 0;
};

struct TFuzzGame {
  explicit TFuzzGame(const std::string& name) {
    // No sprite sheets: the rules run the same without pictures, and the folder is never there.
    Form = std::make_unique<TGForm>(TFormServices{.Clock = &Clock,
                                                  .MasterHost = "127.0.0.1",
                                                  .MasterPort = "8888",
                                                  .RoomPort = "8889",
                                                  .Net = &Net,
                                                  .DataFolder = "/nonexistent/lavarumble-fuzz",
                                                  .Keyboard = &Keyboard,
                                                  .Audio = &Audio,
                                                  .OptionsFile = "/nonexistent/lavarumble-fuzz/Options.dat"});
    {
      // Its one line about the missing pictures would come with every input.
      std::ostringstream quiet;
      std::streambuf* const stderrBuffer = std::cerr.rdbuf(quiet.rdbuf());
      Form->FormCreate();
      std::cerr.rdbuf(stderrBuffer);
    }
    Form->Player1->Name = name;
    Online = std::make_unique<TOnline>(*Form);
  }
  ~TFuzzGame() {
    Online.reset();
    Form.reset();
  }
  TLForm& Lobby() { return Online->Lobby; }
  TGmForm& Room() { return Online->Room; }

  // Time passes by whole frames: the windows' timed steps, the heartbeat and the frame.
  void Frames(int count) {
    for (int i = 0; i < count; ++i) {
      Clock.Advance(Form->Timer.TicksPerFrame());
      Online->Idle();
      Form->Timer1.Poll();
      Form->Timer.Tick();
      Memory.Round();
    }
  }
  // The clock moves on `ms` milliseconds without frames (a window being dragged).
  void Wait(int64_t ms) {
    Clock.Advance(ms * Clock.Frequency() / 1000);
    Online->Idle();
  }
  // The newest connection the game made itself (the lobby's or the room client's).
  TMemoryConnection* NewestClient() { return Memory.Clients.empty() ? nullptr : Memory.Clients.back().get(); }

  // Declared first: every socket of the form closes before these go.
  TNetService Net;
  TMemoryNet Memory{Net};
  VirtualClock Clock{0};
  TFuzzAudio Audio;
  TScriptedKeyboard Keyboard;
  std::unique_ptr<TGForm> Form;
  std::unique_ptr<TOnline> Online;
};

// The lobby's list widgets against its model, and every bound it keeps.
inline void CheckLobby(TLForm& lobby) {
  LR_FUZZ_CHECK(!lobby.Grid.empty());
  LR_FUZZ_CHECK(lobby.Grid.size() >= lobby.Games.size());
  LR_FUZZ_CHECK(lobby.Games.size() + lobby.PendingGames() <= TLForm::kMaxListed);
  for (size_t i = 0; i < lobby.Games.size(); ++i) {
    const TGame& game = lobby.Games[i];
    const TLForm::TGridRow& row = lobby.Grid[i];
    LR_FUZZ_CHECK(row[0] == game.GameName);
    LR_FUZZ_CHECK(row[1] == std::to_string(game.PlayerCount) + " \\ " + std::to_string(game.MaxPlayers));
    LR_FUZZ_CHECK(row[2] == std::to_string(game.Ping));
    LR_FUZZ_CHECK(game.GameName.size() <= kGameNameCapacity);
  }
  LR_FUZZ_CHECK(lobby.Row >= 0 && static_cast<size_t>(lobby.Row) <= lobby.Grid.size());
  LR_FUZZ_CHECK(lobby.Online.size() <= TLForm::kMaxListed);
  const std::set<std::string> names(lobby.Online.begin(), lobby.Online.end());
  LR_FUZZ_CHECK(names.size() == lobby.Online.size());
  for (const std::string& name : lobby.Online) LR_FUZZ_CHECK(name.size() <= kNameCapacity);
  LR_FUZZ_CHECK(lobby.Chat.Lines().size() <= TMemo::kMaxLines);
  // Nothing that needs the master server can be clicked without its connection.
  if (lobby.LClient.SocketState() == wsClosed)
    LR_FUZZ_CHECK(!lobby.JoinEnabled && !lobby.HostEnabled && !lobby.RefreshEnabled);
  // Once a read is handled, the receive buffer holds less than one message.
  if (lobby.LClient.SocketState() == wsConnected) LR_FUZZ_CHECK(lobby.BufferedBytes() < kLongestWireMessage);
}

// The room's seat table, its list box and its bounds, in either role.
inline void CheckRoom(TGmForm& room, TGForm& form) {
  std::vector<std::string> shown;
  std::set<std::string> names;
  std::set<int> sockets;
  int inUse = 0;
  for (int number = 1; number <= kSeatCount; ++number) {
    const TSeat& seat = *room.Seat(number);
    if (!seat.InUse) {
      LR_FUZZ_CHECK(seat.Player == nullptr);
      continue;
    }
    ++inUse;
    shown.push_back(seat.IsReady ? "* " + seat.PlayerName : seat.PlayerName);
    LR_FUZZ_CHECK(seat.PlayerName.size() <= kNameCapacity);
    if (room.Role() == TGmForm::TRole::Host) {
      // Clients find their own seat by name: a host never seats one name twice.
      LR_FUZZ_CHECK(names.insert(seat.PlayerName).second);
      if (number >= 2) {
        // One seat per connection, and only connections the server still holds.
        LR_FUZZ_CHECK(sockets.insert(seat.Socket).second);
        bool held = false;
        for (int socket : room.UServ.Clients()) held = held || socket == seat.Socket;
        LR_FUZZ_CHECK(held);
      }
    }
    if (seat.Player) LR_FUZZ_CHECK(seat.Player->NetIndex == number);
  }
  LR_FUZZ_CHECK(room.Seat(0) == nullptr && room.Seat(kSeatCount + 1) == nullptr);
  LR_FUZZ_CHECK(room.Players == shown);
  if (room.Role() == TGmForm::TRole::Host && room.HostedGame) {
    LR_FUZZ_CHECK(room.Seat(1)->InUse);
    LR_FUZZ_CHECK(room.HostedGame->PlayerCount == inUse);
    LR_FUZZ_CHECK(inUse <= room.HostedGame->MaxPlayers);
  }
  if (room.Seated()) LR_FUZZ_CHECK(room.OwnSeat() >= 1 && room.OwnSeat() <= kSeatCount);
  if (room.Role() == TGmForm::TRole::None) LR_FUZZ_CHECK(inUse == 0 && room.Players.empty());
  LR_FUZZ_CHECK(room.Chat.Lines().size() <= TMemo::kMaxLines);
  // Once a read is handled, each receive buffer of an open room holds less than one message.
  if (room.Role() != TGmForm::TRole::None) LR_FUZZ_CHECK(room.LargestBuffer() < kLongestWireMessage);
  // Whoever plays in this machine's match stands in one seat at most, by its number.
  std::set<const TPlayer*> players;
  for (const TSeat& seat : room.Seats)
    if (seat.Player) LR_FUZZ_CHECK(players.insert(seat.Player).second);
  // This machine always steers someone: its local player, or its seat's in a match.
  LR_FUZZ_CHECK(form.Player1 != nullptr);
}

}  // namespace lr::fuzz
