// TMemoryNet: the socket layer's in-memory twin. Installed on a service, it makes every later
// connection and listener of that service's components, so the lobby, the room and the master
// server run unchanged while a test or a fuzzer plays every peer: it decides where each read
// is cut, when a connection is made or closed, and takes what the code sends from a bounded
// buffer. Nothing here touches the operating system; the events run when the driver calls.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "net/NetService.h"
#include "net/SocketCore.h"

namespace lr {

class TMemoryNet;

// One end of an in-memory stream, as the code under test sees it.
class TMemoryConnection final : public TConnection {
 public:
  TMemoryConnection(TMemoryNet& net, ISocketOwner* owner, int handle, std::string peerAddress);

  int Handle() const override { return Closed ? -1 : Number; }
  void Connect(uint32_t address, uint16_t port) override;
  void LookUpAndConnect(const std::string& host, uint16_t port) override;
  int Send(const char* data, size_t size) override;
  // Each read takes from one arrived piece only: the driver's cuts are the reads' ends.
  int Receive(char* buffer, size_t size, size_t& received) override;
  size_t Queued() const override { return Outbox.size(); }
  void SetQueueLimit(size_t bytes) override { QueueLimit = bytes; }
  void SetNoDelay(bool) override {}
  const std::string& PeerAddress() const override { return Peer; }
  void SetPeerAddress(std::string address) { Peer = std::move(address); }
  int Close() override;

  // [SECTION] The driver's side.
  // The number it had while open, whatever it has now.
  int Number = -1;
  ISocketOwner* Owner = nullptr;  // null once closed by the code under test
  bool Closed = false;
  bool Connecting = false;  // Connect or LookUpAndConnect was called and not yet answered
  bool Established = false;
  bool Lost = false;        // its send queue overflowed: the owner hears a close next round
  uint16_t TargetPort = 0;
  std::string TargetHost;   // dotted, or the name looked up
  std::deque<std::string> Arrived;  // pieces not yet read, one read each at most
  std::string Outbox;       // sent and not yet taken by the driver
  size_t QueueLimit;
  uint64_t SentTotal = 0;

 private:
  TMemoryNet& Net;
  std::string Peer;
};

class TMemoryListener final : public TListener {
 public:
  TMemoryListener(ISocketOwner& owner, int handle, uint16_t port) : Owner(&owner), Number(handle), Port(port) {}
  int Handle() const override { return Owner ? Number : -1; }
  uint16_t LocalPort() const override { return Owner ? Port : 0; }
  int Close() override {
    Owner = nullptr;
    return 0;
  }

  ISocketOwner* Owner;
  int Number;
  uint16_t Port;
};

class TMemoryNet final : public ISocketFactory {
 public:
  // Installs itself on `service`; uninstalls when destroyed, which must be after every
  // component that made sockets through it.
  explicit TMemoryNet(TNetService& service);
  ~TMemoryNet() override;
  TMemoryNet(const TMemoryNet&) = delete;
  TMemoryNet& operator=(const TMemoryNet&) = delete;

  std::shared_ptr<TConnection> NewConnection(ISocketOwner& owner, int& error) override;
  std::shared_ptr<TListener> NewListener(ISocketOwner& owner, uint32_t address, uint16_t port, int backlog,
                                         int& error) override;

  // [SECTION] Playing the peers. Each runs the owner's handler at once, as a delivery round
  // would; none does anything for a connection its owner has closed.
  // The attempt of a connection that is connecting ends: `error` 0 for established.
  void Answer(TMemoryConnection& connection, int error = 0);
  // The listener (the last one open) takes a new connection from `peerAddress`; nullptr when
  // no listener is open.
  std::shared_ptr<TMemoryConnection> Accept(const std::string& peerAddress);
  // A piece of the stream arrives: it makes one read at most, and one data event now.
  void Arrive(TMemoryConnection& connection, std::string piece);
  // The peer closes (or resets) the connection.
  void PeerCloses(TMemoryConnection& connection);
  // A failure on the connection (e.g. 10054, reset by the peer).
  void Fail(TMemoryConnection& connection, int error);
  // One delivery round: a data event for each open connection with unread pieces, and the
  // close of each whose send queue overflowed. Returns the events delivered.
  size_t Round();
  // What the code sent on the connection since the last call; the peer has read it.
  std::string TakeSent(TMemoryConnection& connection);

  // Every connection made, open or not, in the order made; the listeners likewise.
  std::vector<std::shared_ptr<TMemoryConnection>> Connections;
  std::vector<std::shared_ptr<TMemoryListener>> Listeners;
  // Connections made by the code (clients), in the order made; a subset of Connections.
  std::vector<std::shared_ptr<TMemoryConnection>> Clients;

 private:
  TNetService& Service;
  int NextHandle = 1'000'000;  // far from the system's descriptors
  uint16_t NextPort = 40000;   // for a listener on port 0
};

}  // namespace lr
