// A peer on a plain loopback socket that the fault tests make misbehave: it closes in the
// middle of a message, resets the connection, sends one byte at a time, or stops reading.
// It connects to a port, or listens on one the system picks and takes one connection.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <functional>
#include <vector>

namespace lr::testing {

class TRawPeer {
 public:
  TRawPeer() = default;
  ~TRawPeer() {
    if (Fd >= 0) ::close(Fd);
    if (ListenFd >= 0) ::close(ListenFd);
  }
  TRawPeer(const TRawPeer&) = delete;
  TRawPeer& operator=(const TRawPeer&) = delete;

  // A receive buffer this small (before connecting or listening) keeps the kernel's share of
  // what a peer that stops reading holds small, so the sender's own bound is what fills.
  int ReceiveBuffer = 0;

  bool Connect(uint16_t port) {
    Fd = NewSocket();
    const sockaddr_in to = Loopback(port);
    return ::connect(Fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
  }
  // Listens on loopback; the port the system chose.
  uint16_t Listen() {
    ListenFd = NewSocket();
    sockaddr_in at = Loopback(0);
    socklen_t size = sizeof at;
    if (::bind(ListenFd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0 || ::listen(ListenFd, 1) != 0 ||
        ::getsockname(ListenFd, reinterpret_cast<sockaddr*>(&at), &size) != 0)
      return 0;
    return ntohs(at.sin_port);
  }
  // Takes the connection that has come, if one has; the peer then speaks on it.
  bool Accept() {
    if (Fd >= 0) return true;
    Fd = ::accept4(ListenFd, nullptr, nullptr, SOCK_NONBLOCK);
    return Fd >= 0;
  }

  // All the bytes, as one write where the socket takes them.
  bool Send(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    for (int tries = 0; done < bytes.size() && tries < 1000; ++tries) {
      const ssize_t n = ::send(Fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n > 0) done += static_cast<size_t>(n);
      else if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    }
    return done == bytes.size();
  }
  // What the socket takes now without waiting: the bytes sent, 0 when it is full.
  size_t SendSome(const std::vector<uint8_t>& bytes) {
    const ssize_t n = ::send(Fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return n > 0 ? static_cast<size_t>(n) : 0;
  }
  // Each byte on its own, `between` running after each (the other side's turn to read).
  bool SendByteByByte(const std::vector<uint8_t>& bytes, const std::function<void()>& between) {
    for (const uint8_t byte : bytes) {
      if (!Send({byte})) return false;
      between();
    }
    return true;
  }
  // Everything that has arrived, without waiting; Ended once the other side has closed.
  std::vector<uint8_t> Read() {
    std::vector<uint8_t> all;
    uint8_t buffer[4096];
    for (int piece = 0; piece < 256; ++piece) {
      const ssize_t n = ::recv(Fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) {
        all.insert(all.end(), buffer, buffer + n);
      } else {
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) Ended = true;
        break;
      }
    }
    return all;
  }
  // An orderly close (FIN), whatever was half sent.
  void Close() {
    ::close(Fd);
    Fd = -1;
  }
  // An abortive close: with a zero linger time the system sends a reset (RST).
  void Reset() {
    const linger now{.l_onoff = 1, .l_linger = 0};
    ::setsockopt(Fd, SOL_SOCKET, SO_LINGER, &now, sizeof now);
    Close();
  }

  bool Ended = false;

 private:
  int NewSocket() const {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (ReceiveBuffer > 0) ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &ReceiveBuffer, sizeof ReceiveBuffer);
    return fd;
  }
  static sockaddr_in Loopback(uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return a;
  }

  int Fd = -1;
  int ListenFd = -1;
};

// Keeps the system's share of what a game's socket holds for a peer that stops reading small
// (it would grow to megabytes on loopback), so that the game's own queue bound is what fills
// within a short test.
inline void ShrinkSendBuffer(int fd) {
  const int bytes = 4096;
  ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &bytes, sizeof bytes);
}

}  // namespace lr::testing
