// The in-memory twin of the socket layer: connections whose peers are played by a driver.
#include "net/MemorySockets.h"

#include <algorithm>
#include <cstring>

#include "net/SocketErrors.h"
#include "net/WSockets.h"

namespace lr {

// [SECTION] Connection

TMemoryConnection::TMemoryConnection(TMemoryNet& net, ISocketOwner* owner, int handle, std::string peerAddress)
    : Number(handle), Owner(owner), QueueLimit(kSendQueueLimit), Net(net), Peer(std::move(peerAddress)) {}

void TMemoryConnection::Connect(uint32_t address, uint16_t port) {
  TargetHost = std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 255) + "." +
               std::to_string((address >> 8) & 255) + "." + std::to_string(address & 255);
  TargetPort = port;
  Connecting = true;
}

void TMemoryConnection::LookUpAndConnect(const std::string& host, uint16_t port) {
  TargetHost = host;
  TargetPort = port;
  Connecting = true;
}

int TMemoryConnection::Send(const char* data, size_t size) {
  if (Closed || !Established) return kWsaNotConnected;
  if (Lost) return 10058;
  if (Outbox.size() + size > QueueLimit) {
    Lost = true;
    Outbox.clear();
    return kWsaNoBufferSpace;
  }
  Outbox.append(data, size);
  SentTotal += size;
  return 0;
}

int TMemoryConnection::Receive(char* buffer, size_t size, size_t& received) {
  received = 0;
  if (Closed || !Established) return kWsaNotConnected;
  if (Arrived.empty() || size == 0) return 0;
  std::string& piece = Arrived.front();
  received = std::min(size, piece.size());
  std::memcpy(buffer, piece.data(), received);
  piece.erase(0, received);
  if (piece.empty()) Arrived.pop_front();
  return 0;
}

int TMemoryConnection::Close() {
  Closed = true;
  Owner = nullptr;
  Arrived.clear();
  return 0;
}

// [SECTION] Factory

TMemoryNet::TMemoryNet(TNetService& service) : Service(service) { SetSocketFactory(service, this); }

TMemoryNet::~TMemoryNet() { SetSocketFactory(Service, nullptr); }

std::shared_ptr<TConnection> TMemoryNet::NewConnection(ISocketOwner& owner, int& error) {
  error = 0;
  auto connection = std::make_shared<TMemoryConnection>(*this, &owner, NextHandle++, std::string());
  Connections.push_back(connection);
  Clients.push_back(connection);
  return connection;
}

std::shared_ptr<TListener> TMemoryNet::NewListener(ISocketOwner& owner, uint32_t, uint16_t port, int, int& error) {
  error = 0;
  auto listener = std::make_shared<TMemoryListener>(owner, NextHandle++, port != 0 ? port : NextPort++);
  Listeners.push_back(listener);
  return listener;
}

// [SECTION] Playing the peers

void TMemoryNet::Answer(TMemoryConnection& connection, int error) {
  if (!connection.Owner || !connection.Connecting) return;
  connection.Connecting = false;
  if (error == 0) {
    connection.Established = true;
    // The address the connection reached stands for the peer's.
    connection.SetPeerAddress(connection.TargetHost);
  }
  connection.Owner->SocketConnected(connection, error);
}

std::shared_ptr<TMemoryConnection> TMemoryNet::Accept(const std::string& peerAddress) {
  for (auto it = Listeners.rbegin(); it != Listeners.rend(); ++it) {
    TMemoryListener& listener = **it;
    if (!listener.Owner) continue;
    auto connection = std::make_shared<TMemoryConnection>(*this, listener.Owner, NextHandle++, peerAddress);
    connection->Established = true;
    Connections.push_back(connection);
    listener.Owner->SocketAccepted(connection);
    return connection;
  }
  return nullptr;
}

void TMemoryNet::Arrive(TMemoryConnection& connection, std::string piece) {
  if (!connection.Owner || !connection.Established) return;
  if (!piece.empty()) connection.Arrived.push_back(std::move(piece));
  connection.Owner->SocketReadable(connection);
}

void TMemoryNet::PeerCloses(TMemoryConnection& connection) {
  if (!connection.Owner || !connection.Established) return;
  connection.Owner->SocketClosed(connection);
}

void TMemoryNet::Fail(TMemoryConnection& connection, int error) {
  if (!connection.Owner) return;
  connection.Owner->SocketFailed(&connection, error);
}

size_t TMemoryNet::Round() {
  size_t events = 0;
  // By index: a handler may make new connections.
  for (size_t i = 0; i < Connections.size(); ++i) {
    const std::shared_ptr<TMemoryConnection> connection = Connections[i];
    if (!connection->Owner || !connection->Established) continue;
    if (connection->Lost) {
      ++events;
      connection->Owner->SocketClosed(*connection);
    } else if (!connection->Arrived.empty()) {
      ++events;
      connection->Owner->SocketReadable(*connection);
    }
  }
  return events;
}

std::string TMemoryNet::TakeSent(TMemoryConnection& connection) {
  std::string sent;
  sent.swap(connection.Outbox);
  return sent;
}

}  // namespace lr
