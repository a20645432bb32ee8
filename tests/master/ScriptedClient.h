// A scripted lobby client for the master server's tests: a plain loopback socket that sends
// raw bytes made with the codec and shows each message it receives as one short line.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "net/WireCodec.h"
#include "net/WireFramer.h"

namespace lr::test {

// One line per message: "9 quiet Ann", "1 Bob", "2 Bob", "3 <text>", "10",
// "5 #1 Lava Pit 1/4 40ms", "7 seat 2 127.0.0.2", "12".
inline std::string Shown(const TWireFrame& frame) {
  const auto bytes = frame.Bytes();
  const std::string code = std::to_string(frame.Code());
  switch (frame.Code()) {
    case 1:
    case 9: {
      const auto m = Decode<TLobbyPlayerOnline>(bytes);
      return code + (m->Quiet ? " quiet " : " ") + m->PlayerName;
    }
    case 2:
    case 8:
      return code + " " + Decode<TLobbyPlayerGone>(bytes)->PlayerName;
    case 3:
      return code + " " + Decode<TLobbyChatLine>(bytes)->Text;
    case 5: {
      const auto m = Decode<TLobbyGameEntry>(bytes);
      return code + " #" + std::to_string(m->GameId) + " " + m->GameName + " " + std::to_string(m->PlayerCount) +
             "/" + std::to_string(m->MaxPlayers) + " " + std::to_string(m->Ping) + "ms";
    }
    case 7: {
      const auto m = Decode<TLobbyJoinAnswer>(bytes);
      return code + " seat " + std::to_string(m->Seat) + " " + m->HostAddress;
    }
    default:
      return code;
  }
}

class TScriptedClient {
 public:
  // Connects from `from` (any loopback address) to the server's port; `receiveBuffer` > 0
  // makes the socket's receive buffer that small, for a reader that falls behind.
  TScriptedClient(uint16_t port, const std::string& from = "127.0.0.1", int receiveBuffer = 0) {
    Fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (receiveBuffer > 0) ::setsockopt(Fd, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    ::bind(Fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(port);
    ::inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    Connected = ::connect(Fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
  }
  ~TScriptedClient() {
    if (Fd >= 0) ::close(Fd);
  }
  TScriptedClient(const TScriptedClient&) = delete;
  TScriptedClient& operator=(const TScriptedClient&) = delete;

  bool Connected = false;
  bool Closed = false;    // the server closed the connection
  bool Reading = true;    // false: Read takes nothing, like a game that has stopped reading
  std::optional<std::array<uint8_t, 3>> LastPing;
  bool PingUnanswered = false;

  void SendBytes(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t count = ::send(Fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (count <= 0) return;  // the server has gone; the test sees it as Closed
      done += static_cast<size_t>(count);
    }
  }
  template <CWireMessage T>
  void Send(const T& message) {
    SendBytes(Encode(message));
  }
  // Sends the last ping's bytes back, once.
  void Answer() {
    if (!LastPing || !PingUnanswered) return;
    PingUnanswered = false;
    Send(TLobbyPong{.Opaque = *LastPing});
  }
  void Shut() { ::shutdown(Fd, SHUT_RDWR); }
  // An abortive close: with a zero linger time the system sends a reset (RST) at once.
  void Reset() {
    const linger now{.l_onoff = 1, .l_linger = 0};
    ::setsockopt(Fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    ::close(Fd);
    Fd = -1;
  }

  // Takes what has arrived, without waiting.
  void Read() {
    uint8_t buffer[8192];
    for (int piece = 0; piece < 1024 && !Closed && Reading; ++piece) {
      const ssize_t count = ::recv(Fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (count > 0) {
        Framer.Append(buffer, static_cast<size_t>(count));
        while (const auto frame = Framer.Next()) {
          if (frame->Code() == 12) {
            LastPing = Decode<TLobbyPing>(frame->Bytes())->Opaque;
            PingUnanswered = true;
          }
          Lines.push_back(Shown(*frame));
        }
      } else if (count == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        Closed = true;
      } else {
        break;
      }
    }
  }

  size_t Count() const { return Lines.size() - Taken; }
  bool Got(const std::string& line) const {
    for (size_t i = Taken; i < Lines.size(); ++i)
      if (Lines[i] == line) return true;
    return false;
  }
  size_t CountOf(const std::string& line) const {
    return static_cast<size_t>(std::count(Lines.begin() + static_cast<std::ptrdiff_t>(Taken), Lines.end(), line));
  }
  // The lines received since the last Take.
  std::vector<std::string> Take() {
    std::vector<std::string> lines(Lines.begin() + static_cast<std::ptrdiff_t>(Taken), Lines.end());
    Taken = Lines.size();
    return lines;
  }

 private:
  int Fd = -1;
  TStreamFramer Framer{kMasterToGame};
  std::vector<std::string> Lines;
  size_t Taken = 0;
};

}  // namespace lr::test
