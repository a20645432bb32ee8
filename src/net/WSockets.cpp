// The socket components' rules: states, the order of their events, and error reporting.
// The sockets themselves are driven by the service (NetService.cpp).
#include "net/WSockets.h"

#include <map>
#include <optional>

#include "net/SocketAddress.h"
#include "net/SocketCore.h"
#include "net/SocketErrors.h"

namespace lr {

// [SECTION] Base

std::string TCustomWSocket::ErrorText(int code) { return std::string(SocketErrorText(code)); }

void TCustomWSocket::SocketError(int code) {
  Error = code;
  // A copy: the handler may assign a new one while it runs.
  if (const TOnError handler = OnError) handler(*this, code, ErrorText(code));
}

void TCustomWSocket::Fire(const TSocketEvent& event, int socket) {
  CountDelivered(Service);
  if (const TSocketEvent handler = event) handler(*this, socket);
}

// [SECTION] Client

struct TTCPClient::TImpl final : ISocketOwner {
  explicit TImpl(TTCPClient& client) : Client(client) {}

  void SocketConnected(TConnection& connection, int error) override {
    if (&connection != Conn.get()) return;
    if (error != 0) {
      // A refused or failed attempt stays in wsConnecting until the owner closes.
      Failed(error);
      return;
    }
    Client.Fire(Client.OnConnect, Client.Handle);
    // The handler may have closed or reopened the client.
    if (&connection == Conn.get() && Client.State == wsConnecting) Client.State = wsConnected;
  }

  void SocketLookupFailed(TConnection& connection, int error) override {
    if (&connection != Conn.get()) return;
    // The attempt stops where it began, so the error handler may try again at once.
    Conn->Close();
    Conn.reset();
    Client.Handle = -1;
    Client.State = wsClosed;
    Failed(error);
  }

  void SocketReadable(TConnection& connection) override {
    if (&connection == Conn.get()) Client.Fire(Client.OnData, Client.Handle);
  }

  void SocketClosed(TConnection& connection) override {
    if (&connection != Conn.get()) return;
    // The handler still sees the old handle; the client closes after it.
    Client.Fire(Client.OnClose, Client.Handle);
    if (&connection == Conn.get()) Client.Close();
  }

  void SocketFailed(TConnection* connection, int error) override {
    if (connection == Conn.get()) Failed(error);
  }

  void Failed(int error) {
    CountDelivered(Client.Service);
    Client.SocketError(error);
  }

  TTCPClient& Client;
  std::shared_ptr<TConnection> Conn;
};

TTCPClient::TTCPClient(TNetService& service)
    : TCustomWSocket(service), Impl(std::make_unique<TImpl>(*this)) {}

TTCPClient::~TTCPClient() {
  if (Impl->Conn) Impl->Conn->Close();
}

void TTCPClient::Open() {
  if (State != wsClosed) return;
  const std::optional<uint16_t> port = ResolvePort(Port);
  if (!port) {
    SocketError(kWsaInvalidArgument);
    return;
  }
  int error = 0;
  std::shared_ptr<TConnection> connection = NewConnection(Service, *Impl, error);
  if (!connection) {
    SocketError(error);
    return;
  }
  Impl->Conn = connection;
  Handle = connection->Handle();
  State = wsConnecting;
  if (const std::optional<uint32_t> address = ParseDottedAddress(Host))
    connection->Connect(*address, *port);
  else
    connection->LookUpAndConnect(Host, *port);
  InterestChanged(Service);
}

void TTCPClient::Close() {
  if (State == wsNotStarted || State == wsClosed) return;
  const int error = Impl->Conn ? Impl->Conn->Close() : 0;
  Impl->Conn.reset();
  Handle = -1;
  State = wsClosed;
  InterestChanged(Service);
  if (error != 0) SocketError(error);
}

int TTCPClient::Send(const void* data, int len) {
  if (!Impl->Conn) {
    SocketError(kWsaNotSocket);
    return 0;
  }
  if (len <= 0) {
    if (len < 0) SocketError(kWsaInvalidArgument);
    return 0;
  }
  const int error = Impl->Conn->Send(static_cast<const char*>(data), static_cast<size_t>(len));
  if (error != 0) {
    SocketError(error);
    return 0;
  }
  if (Impl->Conn && Impl->Conn->Queued() > 0) InterestChanged(Service);
  return len;
}

int TTCPClient::Receive(void* buffer, int size) {
  if (!Impl->Conn) {
    SocketError(kWsaNotSocket);
    return 0;
  }
  if (size <= 0) return 0;
  size_t received = 0;
  const int error =
      Impl->Conn->Receive(static_cast<char*>(buffer), static_cast<size_t>(size), received);
  if (error != 0) {
    if (error != kWsaWouldBlock) SocketError(error);
    return 0;
  }
  return static_cast<int>(received);
}

size_t TTCPClient::QueuedBytes() const { return Impl->Conn ? Impl->Conn->Queued() : 0; }

// [SECTION] Client list

bool TClientList::Add(int socket) {
  if (Count() >= Capacity) return false;
  Items.push_back(socket);
  return true;
}

void TClientList::Remove(int socket) {
  for (auto it = Items.begin(); it != Items.end(); ++it)
    if (*it == socket) {
      Items.erase(it);
      return;
    }
}

// [SECTION] Server

struct TTCPServer::TImpl final : ISocketOwner {
  TImpl(TTCPServer& server, int maxClients) : Server(server), List(maxClients) {}

  // The accepted connection behind a handle, or null.
  TConnection* Find(int socket) const {
    const auto it = Accepted.find(socket);
    return it == Accepted.end() ? nullptr : it->second.get();
  }

  void SocketAccepted(const std::shared_ptr<TConnection>& connection) override {
    const int socket = connection->Handle();
    if (!List.Add(socket)) {
      connection->Close();
      return;
    }
    connection->SetQueueLimit(Server.SendQueueLimit);
    if (Server.NoDelay) connection->SetNoDelay(true);
    Accepted[socket] = connection;
    Server.Fire(Server.OnAccept, socket);
  }

  void SocketReadable(TConnection& connection) override {
    const int socket = connection.Handle();
    if (Find(socket) == &connection) Server.Fire(Server.OnData, socket);
  }

  void SocketClosed(TConnection& connection) override {
    const int socket = connection.Handle();
    if (Find(socket) != &connection) return;
    Server.Fire(Server.OnClose, socket);
    if (Find(socket) == &connection) Server.Disconnect(socket);
  }

  void SocketFailed(TConnection* connection, int error) override {
    if (connection && Find(connection->Handle()) != connection) return;
    CountDelivered(Server.Service);
    Server.SocketError(error);
  }

  TTCPServer& Server;
  std::shared_ptr<TListener> Listener;
  std::map<int, std::shared_ptr<TConnection>> Accepted;
  TClientList List;
};

TTCPServer::TTCPServer(TNetService& service, int maxClients)
    : TCustomWSocket(service), Impl(std::make_unique<TImpl>(*this, maxClients)) {}

TTCPServer::~TTCPServer() {
  for (auto& [socket, connection] : Impl->Accepted) connection->Close();
  if (Impl->Listener) Impl->Listener->Close();
}

void TTCPServer::Open() {
  if (State != wsClosed) return;
  const std::optional<uint16_t> port = ResolvePort(Port);
  const std::optional<uint32_t> address = ParseDottedAddress(BindAddress);
  if (!port || !address) {
    SocketError(kWsaInvalidArgument);
    return;
  }
  int error = 0;
  Impl->Listener = NewListener(Service, *Impl, *address, *port, ListenBacklog, error);
  if (!Impl->Listener) {
    SocketError(error);
    return;
  }
  Handle = Impl->Listener->Handle();
  State = wsListening;
  InterestChanged(Service);
}

void TTCPServer::Close() {
  if (State == wsNotStarted || State == wsClosed) return;
  // Closed by this side: their owner is not told, as it asked for it.
  std::map<int, std::shared_ptr<TConnection>> accepted;
  accepted.swap(Impl->Accepted);
  Impl->List.Clear();
  int error = 0;
  for (auto& [socket, connection] : accepted)
    if (const int closeError = connection->Close(); closeError != 0) error = closeError;
  if (Impl->Listener)
    if (const int closeError = Impl->Listener->Close(); closeError != 0) error = closeError;
  Impl->Listener.reset();
  Handle = -1;
  State = wsClosed;
  InterestChanged(Service);
  if (error != 0) SocketError(error);
}

int TTCPServer::Send(int socket, const void* data, int len) {
  TConnection* connection = Impl->Find(socket);
  if (!connection) {
    SocketError(kWsaNotSocket);
    return 0;
  }
  if (len <= 0) {
    if (len < 0) SocketError(kWsaInvalidArgument);
    return 0;
  }
  const int error = connection->Send(static_cast<const char*>(data), static_cast<size_t>(len));
  if (error != 0) {
    SocketError(error);
    return 0;
  }
  if (connection->Queued() > 0) InterestChanged(Service);
  return len;
}

int TTCPServer::Receive(int socket, void* buffer, int size) {
  TConnection* connection = Impl->Find(socket);
  if (!connection) {
    SocketError(kWsaNotSocket);
    return 0;
  }
  if (size <= 0) return 0;
  size_t received = 0;
  const int error =
      connection->Receive(static_cast<char*>(buffer), static_cast<size_t>(size), received);
  if (error != 0) {
    if (error != kWsaWouldBlock) SocketError(error);
    return 0;
  }
  return static_cast<int>(received);
}

void TTCPServer::Disconnect(int socket) {
  const auto it = Impl->Accepted.find(socket);
  if (it == Impl->Accepted.end()) {
    SocketError(kWsaNotSocket);
    return;
  }
  const std::shared_ptr<TConnection> connection = it->second;
  Impl->Accepted.erase(it);
  Impl->List.Remove(socket);
  const int error = connection->Close();
  InterestChanged(Service);
  if (error != 0) SocketError(error);
}

const TClientList& TTCPServer::Clients() const { return Impl->List; }

uint16_t TTCPServer::LocalPort() const {
  return Impl->Listener ? Impl->Listener->LocalPort() : 0;
}

std::string TTCPServer::PeerAddress(int socket) const {
  const TConnection* connection = Impl->Find(socket);
  return connection ? connection->PeerAddress() : std::string();
}

size_t TTCPServer::QueuedBytes(int socket) const {
  const TConnection* connection = Impl->Find(socket);
  return connection ? connection->Queued() : 0;
}

}  // namespace lr
