// The layer's private view of its sockets: connections and listeners as the service drives
// them, without the networking library's headers. The components (WSockets) own them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "net/NetService.h"

namespace lr {

class TConnection;

// The component a socket reports to. Every call runs inside the service's Poll or Wait.
class ISocketOwner {
 public:
  virtual ~ISocketOwner() = default;
  // A connection attempt ended: `error` 0 when it is established.
  virtual void SocketConnected(TConnection&, int /*error*/) {}
  // The host name of a connection attempt was not found.
  virtual void SocketLookupFailed(TConnection&, int /*error*/) {}
  // A listener accepted this connection, which now reports to the same owner.
  virtual void SocketAccepted(const std::shared_ptr<TConnection>&) {}
  // Data has arrived and can be read.
  virtual void SocketReadable(TConnection&) {}
  // The peer closed the connection, reset it, or the connection was given up as lost.
  virtual void SocketClosed(TConnection&) {}
  // A failure to report; `connection` is null for a listener's.
  virtual void SocketFailed(TConnection* connection, int error) = 0;
};

// One TCP stream, a client's or one a server accepted. Its owner's calls end when Close (or
// the owner's own destruction) detaches it; pending completions are then ignored.
class TConnection {
 public:
  virtual ~TConnection() = default;
  // The OS descriptor, -1 once closed.
  virtual int Handle() const = 0;
  virtual void Connect(uint32_t address, uint16_t port) = 0;
  // Looks the host up in the background first.
  virtual void LookUpAndConnect(const std::string& host, uint16_t port) = 0;
  // Takes all `size` bytes, sending what the socket takes now and queueing the rest; returns
  // 0, or the Winsock code of why nothing was taken. A full queue gives up the connection.
  virtual int Send(const char* data, size_t size) = 0;
  // One non-blocking read: 0 with `received` 0 when nothing is there, else a Winsock code.
  virtual int Receive(char* buffer, size_t size, size_t& received) = 0;
  // Bytes taken by Send that the socket has not yet accepted.
  virtual size_t Queued() const = 0;
  // The most bytes Send may hold for a slow peer; kSendQueueLimit until changed.
  virtual void SetQueueLimit(size_t bytes) = 0;
  // Small messages go out at once instead of waiting to be gathered (TCP_NODELAY).
  virtual void SetNoDelay(bool on) = 0;
  // The peer's IPv4 address, dotted, as it was when the connection was established; empty
  // before that.
  virtual const std::string& PeerAddress() const = 0;
  // Graceful close: detaches the owner, stops the notifications, shuts down the sending side
  // once the queue has gone out, discards what arrives, closes. Returns a Winsock code or 0.
  virtual int Close() = 0;
};

// A listening socket; accepted connections go to its owner.
class TListener {
 public:
  virtual ~TListener() = default;
  virtual int Handle() const = 0;
  virtual uint16_t LocalPort() const = 0;
  virtual int Close() = 0;
};

// Where a service's connections and listeners come from when they are not the system's own
// sockets: an in-memory twin (MemorySockets.h) that tests and fuzzers drive byte by byte.
class ISocketFactory {
 public:
  virtual ~ISocketFactory() = default;
  virtual std::shared_ptr<TConnection> NewConnection(ISocketOwner& owner, int& error) = 0;
  virtual std::shared_ptr<TListener> NewListener(ISocketOwner& owner, uint32_t address, uint16_t port,
                                                 int backlog, int& error) = 0;
};
// The service's later connections and listeners come from `factory` (nullptr: the system's
// sockets again). The factory must outlive every component made through it.
void SetSocketFactory(TNetService& service, ISocketFactory* factory);

// A new IPv4 stream socket, not yet connected; nullptr with `error` set on failure.
std::shared_ptr<TConnection> NewConnection(TNetService& service, ISocketOwner& owner,
                                           int& error);
// A socket bound to `address`:`port` and listening; nullptr with `error` set on failure.
std::shared_ptr<TListener> NewListener(TNetService& service, ISocketOwner& owner,
                                       uint32_t address, uint16_t port, int backlog, int& error);

// Counts one event delivered to a component's handler.
void CountDelivered(TNetService& service);
// The set of sockets or what they wait for has changed outside a delivery round.
void InterestChanged(TNetService& service);

}  // namespace lr
