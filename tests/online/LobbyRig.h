// A whole game with its online windows, and a scripted master server on loopback that the
// test speaks for byte by byte. Both run on one socket service, pumped in bounded loops.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "actors/PlayerUnit.h"
#include "game/MainForm.h"
#include "net/WireCodec.h"
#include "net/WireFramer.h"
#include "online/Online.h"
#include "platform/RecordingAudio.h"

namespace lr::testing {

using TBytes = std::vector<uint8_t>;

class TLobbyRig {
 public:
  // `roomPort`: where hosting listens and joining connects; "0" lets the system choose.
  explicit TLobbyRig(const std::string& roomPort = "0") {
    Master.BindAddress = "127.0.0.1";
    Master.Port = "0";
    Master.OnAccept = [this](TCustomWSocket&, int socket) { Socket = socket; };
    Master.OnData = [this](TCustomWSocket&, int socket) {
      uint8_t data[1024];
      const int n = Master.Receive(socket, data, sizeof data);
      if (n > 0) In.Append(data, static_cast<size_t>(n));
      while (const std::optional<TWireFrame> frame = In.Next())
        Received.emplace_back(frame->Bytes().begin(), frame->Bytes().end());
    };
    Master.OnClose = [this](TCustomWSocket&, int) { Socket = -1; };
    Master.Open();
    EXPECT_EQ(Master.SocketState(), wsListening);
    Form = std::make_unique<TGForm>(TFormServices{.Clock = &Clock,
                                                  .MasterHost = "127.0.0.1",
                                                  .MasterPort = std::to_string(Master.LocalPort()),
                                                  .RoomPort = roomPort,
                                                  .Net = &Net,
                                                  .DataFolder = LR_BUILD_DIR "/data",
                                                  .Audio = &Audio});
    EXPECT_TRUE(Form->FormCreate());
    Online = std::make_unique<TOnline>(*Form);
    // A test's host listens on loopback only.
    Online->Room.UServ.BindAddress = "127.0.0.1";
  }
  ~TLobbyRig() {
    Online.reset();
    Form.reset();
  }

  // Delivers socket events and the lobby's timed steps until `done`, in bounded rounds.
  bool PumpUntil(const std::function<bool()>& done, int rounds = 2000) {
    for (int i = 0; i < rounds && !done(); ++i) {
      Net.Wait(2);
      Online->Idle();
    }
    return done();
  }
  // The menu's online entry, then the login: the lobby connected and its buttons enabled.
  void OpenAndLogIn() {
    Form->ShowLobby();
    ASSERT_TRUE(PumpUntil([&] { return Socket >= 0 && !Received.empty() && Lobby().JoinEnabled; }));
    Received.clear();
  }
  // Raw bytes from the master server, without waiting.
  void Send(const TBytes& bytes) {
    ASSERT_EQ(Master.Send(Socket, bytes.data(), static_cast<int>(bytes.size())), static_cast<int>(bytes.size()));
  }
  // Bytes from the master server, then a ping of its own: once the lobby has answered that,
  // it has read and handled everything before it. The answer is not kept in Received.
  void Say(const TBytes& bytes) {
    Send(bytes);
    const TBytes ping = {12, 0x5A, static_cast<uint8_t>(++Markers), static_cast<uint8_t>(Markers >> 8)};
    Send(ping);
    ASSERT_TRUE(PumpUntil([&] { return std::find(Received.begin(), Received.end(), ping) != Received.end(); }));
    Received.erase(std::find(Received.begin(), Received.end(), ping));
  }
  template <class T>
  void Say(const T& message) {
    Say(Encode(message));
  }
  // Messages the master server has received since the last call. The lobby's client sends
  // a refresh request behind them, so all of them are in when it arrives.
  std::vector<TBytes> Heard() {
    const uint8_t marker = 10;
    EXPECT_EQ(Lobby().LClient.Send(&marker, 1), 1);
    EXPECT_TRUE(PumpUntil([&] { return !Received.empty() && Received.back() == TBytes{marker}; }));
    if (!Received.empty()) Received.pop_back();
    return std::exchange(Received, {});
  }
  // Moves the clock on, then runs the lobby's timed steps.
  void AdvanceMs(int64_t ms) {
    Clock.Advance(ms * Clock.Frequency() / 1000);
    Online->Idle();
  }

  TLForm& Lobby() { return Online->Lobby; }
  TGmForm& Room() { return Online->Room; }
  std::string& Name() { return Form->Player1->Name; }

  VirtualClock Clock;
  TRecordingAudio Audio{Clock};
  TNetService Net;
  TTCPServer Master{Net};
  int Socket = -1;  // the lobby's connection at the master server
  int Markers = 0;
  TStreamFramer In{kGameToMaster};
  std::vector<TBytes> Received;
  std::unique_ptr<TGForm> Form;
  std::unique_ptr<TOnline> Online;
};

// A short string field: the length byte, the characters, zeros up to the capacity.
inline TBytes ShortString(const std::string& text, size_t capacity) {
  TBytes bytes{static_cast<uint8_t>(text.size())};
  bytes.insert(bytes.end(), text.begin(), text.end());
  bytes.resize(1 + capacity, 0);
  return bytes;
}

inline TBytes Concat(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

}  // namespace lr::testing
