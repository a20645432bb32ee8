// Several whole games with their online windows in one process, and a master server that the
// test plays, all on one socket service over loopback. Everything is pumped by the rig in a
// fixed order (one game's step, then every message it caused, then the next game), so a run
// gives the same traces every time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "actors/PlayerUnit.h"
#include "app/InputScript.h"
#include "app/TraceWriter.h"
#include "game/MainForm.h"
#include "net/WireCodec.h"
#include "net/WireFramer.h"
#include "online/Online.h"
#include "platform/KeyTable.h"
#include "platform/KeyboardDevice.h"
#include "platform/RecordingAudio.h"

namespace lr::testing {

using TBytes = std::vector<uint8_t>;

// One game: its own clock (all advance together), keyboard, form, lobby and room, and the
// trace of every frame the rig ran.
struct TRoomGame {
  TRoomGame(TNetService& net, uint16_t masterPort, const std::string& roomPort, uint32_t timeOfDay,
            const std::string& name)
      : Clock(timeOfDay), Audio(Clock) {
    Form = std::make_unique<TGForm>(TFormServices{.Clock = &Clock,
                                                  .MasterHost = "127.0.0.1",
                                                  .MasterPort = std::to_string(masterPort),
                                                  .RoomPort = roomPort,
                                                  .Net = &net,
                                                  .DataFolder = LR_BUILD_DIR "/data",
                                                  .Keyboard = &Keyboard,
                                                  .Audio = &Audio});
    EXPECT_TRUE(Form->FormCreate());
    Form->Player1->Name = name;
    Online = std::make_unique<TOnline>(*Form);
    // A test's host listens on loopback only.
    Online->Room.UServ.BindAddress = "127.0.0.1";
    Trace.Online = Online.get();
  }
  ~TRoomGame() {
    Online.reset();
    Form.reset();
  }
  TGmForm& Room() { return Online->Room; }
  TLForm& Lobby() { return Online->Lobby; }
  TPlayer& Me() { return *Form->Player1; }
  void Key(const char* name, bool down) { Keyboard.SetKey(FindKeyByName(name)->Dik, down); }

  VirtualClock Clock;
  TRecordingAudio Audio;
  TScriptedKeyboard Keyboard;
  std::unique_ptr<TGForm> Form;
  std::unique_ptr<TOnline> Online;
  TNetTrace Trace;
  std::vector<nlohmann::ordered_json> Records;
  int MasterSocket = -1;  // its lobby's connection at the master server
};

class TRoomRig {
 public:
  TRoomRig() {
    Master.BindAddress = "127.0.0.1";
    Master.Port = "0";
    Master.OnAccept = [this](TCustomWSocket&, int socket) {
      Accepted.push_back(socket);
      Buffers.try_emplace(socket, kGameToMaster);
    };
    Master.OnData = [this](TCustomWSocket&, int socket) {
      uint8_t data[1024];
      const int n = Master.Receive(socket, data, sizeof data);
      auto buffer = Buffers.find(socket);
      if (n <= 0 || buffer == Buffers.end()) return;
      buffer->second.Append(data, static_cast<size_t>(n));
      while (const std::optional<TWireFrame> frame = buffer->second.Next())
        Heard[socket].emplace_back(frame->Bytes().begin(), frame->Bytes().end());
    };
    Master.Open();
    EXPECT_EQ(Master.SocketState(), wsListening);
  }
  ~TRoomRig() { Games.clear(); }

  // A game that hosts on a port the system picks, or joins the rig's host.
  TRoomGame& AddGame(const std::string& name, uint32_t timeOfDay = 0) {
    const std::string port = Games.empty() ? "0" : std::to_string(Games[0]->Room().UServ.LocalPort());
    Games.push_back(std::make_unique<TRoomGame>(Net, Master.LocalPort(), port, timeOfDay, name));
    return *Games.back();
  }

  // A game's program ends (its sockets close as a process's would); what its room sent and
  // took still counts.
  void Remove(TRoomGame& game) {
    const auto it = std::find_if(Games.begin(), Games.end(), [&](const auto& g) { return g.get() == &game; });
    ASSERT_NE(it, Games.end());
    ExtraSent += game.Room().MessagesSent();
    ExtraReceived += game.Room().MessagesReceived();
    Games.erase(it);
  }

  // Delivers socket events and the windows' timed steps until `done`, in bounded rounds.
  bool PumpUntil(const std::function<bool()>& done, int rounds = 3000) {
    for (int i = 0; i < rounds && !done(); ++i) {
      Net.Wait(1);
      for (auto& game : Games) game->Online->Idle();
    }
    return done();
  }
  // Every room message sent so far has been taken by its receiver.
  bool Quiet() const {
    uint64_t sent = ExtraSent, received = ExtraReceived;
    for (const auto& game : Games) {
      sent += game->Online->Room.MessagesSent();
      received += game->Online->Room.MessagesReceived();
    }
    return sent == received;
  }
  void Settle() { ASSERT_TRUE(PumpUntil([&] { return Quiet(); })) << "room messages went missing"; }

  // The menu's online entry and the login.
  void OpenLobby(TRoomGame& game) {
    const size_t before = Accepted.size();
    game.Form->ShowLobby();
    ASSERT_TRUE(PumpUntil([&] {
      return Accepted.size() > before && !Heard[Accepted.back()].empty() && game.Lobby().HostEnabled;
    }));
    game.MasterSocket = Accepted.back();
  }
  // "Host Game" answered with a name and a number of players.
  void Host(TRoomGame& game, const std::string& players = "8") {
    OpenLobby(game);
    ApplyLobbyAction(game.Lobby(), {.Kind = TLobbyAction::TKind::Host, .Text = "Rig Game", .Players = players});
    ASSERT_TRUE(game.Room().IsHost());
    ASSERT_EQ(game.Room().UServ.SocketState(), wsListening);
  }
  // The master answers a join request: the game goes to the host's room and is seated.
  void Join(TRoomGame& game, uint8_t provisionalSeat = 2, bool waitForSeat = true) {
    OpenLobby(game);
    SendFromMaster(game, Encode(TLobbyJoinAnswer{.Seat = provisionalSeat, .HostAddress = "127.0.0.1"}));
    ASSERT_TRUE(PumpUntil([&] { return game.Room().Visible; }));
    if (!waitForSeat) return;
    ASSERT_TRUE(PumpUntil([&] { return game.Room().Seated() && Quiet(); }));
  }
  void SendFromMaster(TRoomGame& game, const TBytes& bytes) {
    ASSERT_EQ(Master.Send(game.MasterSocket, bytes.data(), static_cast<int>(bytes.size())),
              static_cast<int>(bytes.size()));
  }
  // The messages the master server has from the game's lobby, once `count` are in.
  std::vector<TBytes> MasterHeard(TRoomGame& game, size_t count) {
    EXPECT_TRUE(PumpUntil([&] { return Heard[game.MasterSocket].size() >= count; }));
    return Heard[game.MasterSocket];
  }

  // What the master server has heard from the game's lobby after its first `from` messages,
  // once there is something.
  std::vector<TBytes> HeardSince(TRoomGame& game, size_t from) {
    EXPECT_TRUE(PumpUntil([&] { return Heard[game.MasterSocket].size() > from; }));
    const std::vector<TBytes>& all = Heard[game.MasterSocket];
    return {all.begin() + static_cast<std::ptrdiff_t>(std::min(from, all.size())), all.end()};
  }

  // A room action as the script line would do it; then every message it caused.
  void Act(TRoomGame& game, TRoomAction::TKind kind, const std::string& text = {}) {
    ApplyRoomAction(game.Room(), {.Kind = kind, .Text = text});
    Settle();
  }

  // One frame of every game, as the runner does it: socket events, the windows' timed steps,
  // the heartbeat and the frame. Each game's steps are followed by every message they caused.
  void Frame() {
    ++FrameNumber;
    for (auto& game : Games) game->Clock.Advance(game->Form->Timer.TicksPerFrame());
    for (auto& game : Games) {
      game->Online->Idle();
      game->Form->Timer1.Poll();
      Settle();
    }
    for (auto& game : Games) {
      game->Form->Timer.Tick();
      Settle();
      game->Records.push_back(FrameRecord(*game->Form, FrameNumber, &game->Trace));
    }
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }
  // Runs frames until `done`, at most `limit`; whether it came.
  bool FramesUntil(const std::function<bool()>& done, int limit) {
    for (int i = 0; i < limit && !done(); ++i) Frame();
    return done();
  }

  TNetService Net;
  TTCPServer Master{Net};
  std::vector<int> Accepted;  // the master's connections, in the order they came
  std::map<int, TStreamFramer> Buffers;
  std::map<int, std::vector<TBytes>> Heard;
  std::vector<std::unique_ptr<TRoomGame>> Games;  // the first one hosts
  // Room messages of the test's own sockets.
  uint64_t ExtraSent = 0, ExtraReceived = 0;
  int64_t FrameNumber = 0;
};

// A raw connection to a host's room that the test speaks for byte by byte, counted with the
// rig's messages.
class TRawGuest {
 public:
  TRawGuest(TRoomRig& rig, uint16_t port) : Rig(rig), Client(rig.Net) {
    Client.Host = "127.0.0.1";
    Client.Port = std::to_string(port);
    Client.OnConnect = [this](TCustomWSocket&, int) { Connected = true; };
    Client.OnClose = [this](TCustomWSocket&, int) { Closed = true; };
    Client.OnData = [this](TCustomWSocket&, int) {
      uint8_t data[1024];
      const int n = Client.Receive(data, sizeof data);
      if (n > 0) In.Append(data, static_cast<size_t>(n));
      while (const std::optional<TWireFrame> frame = In.Next()) {
        ++Rig.ExtraReceived;
        Received.emplace_back(frame->Bytes().begin(), frame->Bytes().end());
      }
    };
    Client.Open();
    EXPECT_TRUE(Rig.PumpUntil([&] { return Connected; }));
  }
  // Bytes that make `messages` whole messages of the room, and everything they cause.
  void Say(const TBytes& bytes, int messages = 1) {
    ASSERT_EQ(Client.Send(bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
    Rig.ExtraSent += static_cast<uint64_t>(messages);
    Rig.Settle();
  }
  template <class T>
  void Say(const T& message) {
    Say(Encode(message));
  }
  std::vector<TBytes> Take() { return std::exchange(Received, {}); }

  TRoomRig& Rig;
  TTCPClient Client;
  TStreamFramer In{kRoomProtocol};
  std::vector<TBytes> Received;
  bool Connected = false;
  bool Closed = false;
};

}  // namespace lr::testing
