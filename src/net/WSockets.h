// The socket components: a TCP client, a listening TCP server with its list of accepted
// sockets, and their common base. Their events run only inside TNetService::Poll or Wait.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/NetService.h"

namespace lr {

enum TSocketState : uint8_t { wsNotStarted, wsClosed, wsConnected, wsListening, wsConnecting };

// Bytes a connection may hold for a peer that reads slower than it is sent to; a Send that
// would go beyond it gives the connection up ("No buffer space available").
constexpr size_t kSendQueueLimit = 256 * 1024;
// Connections a server keeps at once; more are closed as they arrive.
constexpr int kMaxClients = 256;

class TCustomWSocket {
 public:
  using TSocketEvent = std::function<void(TCustomWSocket& sender, int socket)>;
  using TOnError = std::function<void(TCustomWSocket& sender, int error, const std::string& msg)>;

  explicit TCustomWSocket(TNetService& service) : Service(service) {}
  virtual ~TCustomWSocket() = default;
  TCustomWSocket(const TCustomWSocket&) = delete;
  TCustomWSocket& operator=(const TCustomWSocket&) = delete;

  // The OS descriptor of the socket (a server's listening socket), -1 when there is none.
  int SocketHandle() const { return Handle; }
  TSocketState SocketState() const { return State; }
  // The code of the last error reported.
  int LastError() const { return Error; }
  static std::string ErrorText(int code);

  TOnError OnError;

 protected:
  // Stores the code in LastError and tells OnError, when assigned.
  void SocketError(int code);
  // Runs an event handler, counting it as delivered.
  void Fire(const TSocketEvent& event, int socket);

  TNetService& Service;
  int Handle = -1;
  TSocketState State = wsClosed;
  int Error = 0;
};

// One connection to a server. Host is a dotted IPv4 address or a host name (looked up in the
// background); Port a TCP service name or a decimal number.
class TTCPClient final : public TCustomWSocket {
 public:
  explicit TTCPClient(TNetService& service);
  ~TTCPClient() override;

  std::string Host;
  std::string Port;
  TSocketEvent OnConnect;  // SocketState becomes wsConnected after it returns
  TSocketEvent OnData;
  TSocketEvent OnClose;  // the peer closed; the client closes itself after it returns

  // Starts connecting (wsConnecting); only in wsClosed. Throws std::invalid_argument for a
  // Port that is neither a service nor a number.
  void Open();
  // Graceful close: bytes still queued go out first; wsClosed.
  void Close();
  // Takes all `len` bytes or none: returns len, or 0 when refused (and reported).
  int Send(const void* data, int len);
  // What has arrived, at most `size` bytes; 0 when nothing has.
  int Receive(void* buffer, int size);
  // Bytes taken by Send that the socket has not yet taken.
  size_t QueuedBytes() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};

// The accepted sockets of a server, in the order they came.
class TClientList {
 public:
  explicit TClientList(int capacity = kMaxClients) : Capacity(capacity) {}
  // The socket at `index`, -1 outside 0..Count()-1.
  int operator[](int index) const {
    return index >= 0 && index < Count() ? Items[static_cast<size_t>(index)] : -1;
  }
  int Count() const { return static_cast<int>(Items.size()); }
  // False when the list is full.
  bool Add(int socket);
  // Removes the first entry equal to `socket`.
  void Remove(int socket);
  void Clear() { Items.clear(); }
  std::vector<int>::const_iterator begin() const { return Items.begin(); }
  std::vector<int>::const_iterator end() const { return Items.end(); }

 private:
  std::vector<int> Items;
  int Capacity;
};

// A listening socket and the connections it accepted, each known by its socket handle.
class TTCPServer final : public TCustomWSocket {
 public:
  explicit TTCPServer(TNetService& service, int maxClients = kMaxClients);
  ~TTCPServer() override;

  std::string Port;
  // The local address to listen on, dotted; every address by default.
  std::string BindAddress = "0.0.0.0";
  // Connections the system may hold waiting to be accepted; read by Open.
  int ListenBacklog = 5;
  // The bound of each accepted connection's send queue; read as each connection is accepted.
  size_t SendQueueLimit = kSendQueueLimit;
  // Each Send goes out at once, without waiting to gather small ones (TCP_NODELAY), for an
  // owner that gathers its messages itself; read as each connection is accepted.
  bool NoDelay = false;
  TSocketEvent OnAccept;  // the socket is in Clients() already
  TSocketEvent OnData;
  TSocketEvent OnClose;  // the peer closed; the socket is disconnected after it returns

  // Starts listening (wsListening); only in wsClosed. Throws like TTCPClient::Open.
  void Open();
  // Closes every accepted socket (without OnClose for them), then the listening one.
  void Close();
  int Send(int socket, const void* data, int len);
  int Receive(int socket, void* buffer, int size);
  // Removes the socket from the list and closes it gracefully.
  void Disconnect(int socket);
  const TClientList& Clients() const;
  // The dotted IPv4 address an accepted socket comes from; empty for an unknown socket.
  std::string PeerAddress(int socket) const;
  // The port listened on (the one the system chose for Port "0"); 0 when not listening.
  uint16_t LocalPort() const;
  size_t QueuedBytes(int socket) const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};

}  // namespace lr
