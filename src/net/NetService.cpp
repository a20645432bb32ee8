// The service behind the socket components: Asio's context, the delivery rounds, the wake
// watcher's interest list, and the connections and listeners that Asio drives. The only file
// of the layer that includes Asio.
//
// [SECTION] The service's state
// [SECTION] Connections: connect, read watch, send queue, graceful close
// [SECTION] Listeners
// [SECTION] Delivery rounds
#include "net/NetService.h"

#include <poll.h>

#include <asio.hpp>
#include <chrono>
#include <mutex>
#include <set>
#include <vector>

#include "net/SocketAddress.h"
#include "net/SocketCore.h"
#include "net/SocketErrors.h"
#include "net/WSockets.h"
#include "net/WakeWatcher.h"

namespace lr {

// [SECTION] The service's state

namespace {

using asio::ip::tcp;

// How long a closed connection may go on handing its queued bytes to a peer that reads.
constexpr auto kLingerTime = std::chrono::seconds(5);
// Connections a listener takes in one delivery round when many are waiting: a crowd logging in
// at once is let in by the dozen, while a flood of them still leaves the round for the rest.
constexpr int kAcceptsPerRound = 64;
// A close discards what has arrived in 1024-byte pieces, so the peer gets an orderly end
// rather than a reset; a peer that keeps sending cannot hold the close up past this many.
constexpr size_t kDrainPiece = 1024;
constexpr int kDrainPieces = 256;

int CodeOf(const asio::error_code& ec) {
  if (ec.category() == asio::system_category()) return WinsockCodeFromErrno(ec.value());
  return ec.value();  // Asio's own categories only arise for end of stream, handled apart
}

// What the wake watcher waits on for one socket.
class TWatched {
 public:
  virtual ~TWatched() = default;
  virtual pollfd Interest() const = 0;
};

// Name lookup threads hold this; it outlives the service when a lookup outlives the game.
struct TLookupChannel {
  std::mutex Mutex;
  asio::io_context* Io = nullptr;  // null once the service is gone
  TWakeWatcher* Watcher = nullptr;
};

}  // namespace

struct TNetService::TImpl {
  // Declared before the context: sockets leave this set while the context winds down.
  std::set<TWatched*> Watched;
  asio::io_context Io;
  asio::executor_work_guard<asio::io_context::executor_type> Work{Io.get_executor()};
  std::shared_ptr<TLookupChannel> Channel = std::make_shared<TLookupChannel>();
  std::unique_ptr<TWakeWatcher> Watcher;
  // Read watches and accepts start again only after the round that delivered their event,
  // so unread data makes one OnData per round instead of an endless one.
  std::vector<std::function<void()>> Deferred;
  // Closed connections still handing queued bytes to their peers.
  std::set<std::shared_ptr<TConnection>> Lingering;
  size_t Delivered = 0;
  // Set: connections and listeners come from it instead of Asio.
  ISocketFactory* Factory = nullptr;

  std::vector<pollfd> InterestList() const {
    std::vector<pollfd> fds;
    for (const TWatched* watched : Watched) {
      const pollfd fd = watched->Interest();
      // A descriptor waited on for nothing would still report its errors and hang-ups.
      if (fd.fd >= 0 && fd.events != 0) fds.push_back(fd);
    }
    return fds;
  }

  void RunDeferred() {
    std::vector<std::function<void()>> now;
    now.swap(Deferred);
    for (auto& start : now) start();
  }

  void Signal() {
    if (Watcher) Watcher->Signal();
  }
};

// [SECTION] Connections: connect, read watch, send queue, graceful close

namespace {

class TAsioConnection final : public TConnection,
                              public TWatched,
                              public std::enable_shared_from_this<TAsioConnection> {
  TNetService::TImpl& Service;

 public:
  explicit TAsioConnection(TNetService::TImpl& service)
      : Service(service), Socket(service.Io), Timer(service.Io) {
    Service.Watched.insert(this);
  }
  ~TAsioConnection() override { Service.Watched.erase(this); }

  ISocketOwner* Owner = nullptr;
  bool Established = false;  // connected, or accepted
  tcp::socket Socket;

  int Open() {
    asio::error_code ec;
    Socket.open(tcp::v4(), ec);
    if (!ec) Socket.non_blocking(true, ec);
    // Urgent data arrives in line with the rest of the stream.
    if (!ec) Socket.set_option(asio::socket_base::out_of_band_inline(true), ec);
    return ec ? CodeOf(ec) : 0;
  }

  int Handle() const override {
    return Socket.is_open() ? static_cast<int>(const_cast<tcp::socket&>(Socket).native_handle())
                            : -1;
  }

  pollfd Interest() const override {
    pollfd fd{Handle(), 0, 0};
    if (ReadWatch || (Owner && Established)) fd.events |= POLLIN;
    if (Connecting || Writing) fd.events |= POLLOUT;
    return fd;
  }

  void Connect(uint32_t address, uint16_t port) override {
    Connecting = true;
    Socket.async_connect(tcp::endpoint(asio::ip::address_v4(address), port),
                         [self = shared_from_this()](const asio::error_code& ec) {
                           self->Connecting = false;
                           if (ec == asio::error::operation_aborted || !self->Owner) return;
                           // Established before the owner hears of it: it may send at once.
                           if (!ec) {
                             self->Established = true;
                             self->NotePeer();
                           }
                           self->Owner->SocketConnected(*self, ec ? CodeOf(ec) : 0);
                           if (!ec) self->Service.Deferred.push_back([self] { self->WatchReads(); });
                         });
  }

  void LookUpAndConnect(const std::string& host, uint16_t port) override {
    // No descriptor interest meanwhile: an unconnected socket polls as hung up, and the
    // lookup's end is signalled by the watcher's own event.
    std::weak_ptr<TAsioConnection> weak = shared_from_this();
    std::shared_ptr<TLookupChannel> channel = Service.Channel;
    const bool started = StartHostLookup(host, [channel, weak, port](THostLookupResult result) {
      std::lock_guard lock(channel->Mutex);
      if (!channel->Io) return;
      asio::post(*channel->Io, [weak, port, result] {
        if (auto self = weak.lock()) self->LookedUp(result, port);
      });
      if (channel->Watcher) channel->Watcher->Signal();
    });
    if (!started) {
      asio::post(Service.Io, [weak, port] {
        if (auto self = weak.lock()) self->LookedUp({kWsaTooManyProcesses, 0}, port);
      });
      Service.Signal();
    }
  }

  int Send(const char* data, size_t size) override {
    if (!Established || !Socket.is_open()) return kWsaNotConnected;
    if (Lost) return 10058;  // given up: its close is on the way to the owner
    if (Queued() + size > QueueLimit) {
      GiveUp();
      return kWsaNoBufferSpace;
    }
    size_t sent = 0;
    if (Queued() == 0) {
      asio::error_code ec;
      sent = Socket.send(asio::buffer(data, size), 0, ec);
      if (ec == asio::error::would_block)
        sent = 0;
      else if (ec)
        return CodeOf(ec);
    }
    if (sent < size) {
      Pending.insert(Pending.end(), data + sent, data + size);
      StartWriting();
    }
    return 0;
  }

  int Receive(char* buffer, size_t size, size_t& received) override {
    received = 0;
    if (!Established || !Socket.is_open()) return kWsaNotConnected;
    asio::error_code ec;
    const size_t count = Socket.receive(asio::buffer(buffer, size), 0, ec);
    // The end of the stream comes to the owner as its close event.
    if (ec == asio::error::would_block || ec == asio::error::eof) return 0;
    if (ec) return CodeOf(ec);
    received = count;
    return 0;
  }

  size_t Queued() const override { return Outgoing.size() - OutgoingDone + Pending.size(); }

  void SetQueueLimit(size_t bytes) override { QueueLimit = bytes; }

  void SetNoDelay(bool on) override {
    asio::error_code ignored;  // a socket that refuses keeps gathering: slower, never wrong
    Socket.set_option(tcp::no_delay(on), ignored);
  }

  const std::string& PeerAddress() const override { return Peer; }

  // An accepted socket is set up and known by its peer's address before its owner hears of it.
  int Adopt() {
    asio::error_code ec;
    Socket.non_blocking(true, ec);
    if (!ec) Socket.set_option(asio::socket_base::out_of_band_inline(true), ec);
    if (ec) return CodeOf(ec);
    NotePeer();
    Established = true;
    return 0;
  }

  void NotePeer() {
    asio::error_code ec;
    const tcp::endpoint remote = Socket.remote_endpoint(ec);
    if (!ec && remote.address().is_v4()) Peer = remote.address().to_v4().to_string();
  }

  int Close() override {
    Owner = nullptr;
    if (!Socket.is_open()) return 0;
    if (Established && !Lost && Queued() > 0) {
      Linger();
      return 0;
    }
    return Shutdown();
  }

  // Shut down the sending side, discard what has arrived, close.
  int Shutdown() {
    const auto keep = shared_from_this();
    int error = 0;
    asio::error_code ec;
    Socket.shutdown(tcp::socket::shutdown_send, ec);
    if (ec && ec != asio::error::not_connected) error = CodeOf(ec);
    char scratch[kDrainPiece];
    for (int piece = 0; piece < kDrainPieces; ++piece) {
      const size_t count = Socket.receive(asio::buffer(scratch), 0, ec);
      if (ec || count == 0) break;
    }
    Socket.close(ec);
    if (ec && error == 0) error = CodeOf(ec);
    Timer.cancel();
    Lingering = false;
    Service.Lingering.erase(keep);
    return error;
  }

  // A 1-byte peek tells data from the end of the stream without taking anything away from
  // the owner's Receive; Asio tries it at once, so data that came before it is not missed.
  void WatchReads() {
    if (!Owner || ReadWatch || !Socket.is_open()) return;
    ReadWatch = true;
    Socket.async_receive(asio::buffer(&PeekByte, 1), asio::socket_base::message_peek,
                         [self = shared_from_this()](const asio::error_code& ec, size_t) {
                           self->ReadWatch = false;
                           if (ec == asio::error::operation_aborted || !self->Owner) return;
                           if (ec) {  // the end of the stream, or a reset
                             self->Owner->SocketClosed(*self);
                             return;
                           }
                           self->Owner->SocketReadable(*self);
                           self->Service.Deferred.push_back([self] { self->WatchReads(); });
                         });
  }

 private:
  void LookedUp(const THostLookupResult& result, uint16_t port) {
    if (!Owner || !Socket.is_open()) return;
    if (result.Error != 0) {
      Owner->SocketLookupFailed(*this, result.Error);
    } else {
      Connect(result.Address, port);
    }
  }

  void StartWriting() {
    if (Writing || Lost || !Socket.is_open()) return;
    if (OutgoingDone == Outgoing.size()) {
      Outgoing.clear();
      OutgoingDone = 0;
      Outgoing.swap(Pending);
    }
    if (Outgoing.empty()) {
      if (Lingering) Shutdown();
      return;
    }
    // Only Pending grows while a write is under way: Outgoing's bytes stay where they are.
    Writing = true;
    Socket.async_write_some(
        asio::buffer(Outgoing.data() + OutgoingDone, Outgoing.size() - OutgoingDone),
        [self = shared_from_this()](const asio::error_code& ec, size_t count) {
          self->Writing = false;
          if (ec == asio::error::operation_aborted) return;
          if (ec) {
            if (self->Lingering) {
              self->Shutdown();
            } else {
              if (self->Owner) self->Owner->SocketFailed(self.get(), CodeOf(ec));
              self->GiveUp();
            }
            return;
          }
          self->OutgoingDone += count;
          self->StartWriting();
        });
  }

  // The connection can no longer carry the stream whole: no more sends, and the owner hears
  // of it as of a peer that closed, in the next round.
  void GiveUp() {
    if (Lost) return;
    Lost = true;
    Pending.clear();
    asio::post(Service.Io, [self = shared_from_this()] {
      if (self->Owner) self->Owner->SocketClosed(*self);
    });
    Service.Signal();
  }

  void Linger() {
    Lingering = true;
    Service.Lingering.insert(shared_from_this());
    Timer.expires_after(kLingerTime);
    Timer.async_wait([self = shared_from_this()](const asio::error_code& ec) {
      if (!ec && self->Lingering) self->Shutdown();
    });
  }

  asio::steady_timer Timer;
  size_t QueueLimit = kSendQueueLimit;
  std::string Peer;
  bool Connecting = false;
  bool ReadWatch = false;
  bool Writing = false;
  bool Lost = false;
  bool Lingering = false;
  char PeekByte = 0;
  // Bytes taken by Send and not yet taken by the socket: Outgoing (from OutgoingDone) is
  // being written, Pending waits behind it.
  std::vector<char> Outgoing;
  size_t OutgoingDone = 0;
  std::vector<char> Pending;
};

// [SECTION] Listeners

class TAsioListener final : public TListener,
                            public TWatched,
                            public std::enable_shared_from_this<TAsioListener> {
 public:
  TAsioListener(TNetService::TImpl& service, ISocketOwner& owner)
      : Service(service), Owner(&owner), Acceptor(service.Io) {
    Service.Watched.insert(this);
  }
  ~TAsioListener() override { Service.Watched.erase(this); }

  int Open(uint32_t address, uint16_t port, int backlog) {
    asio::error_code ec;
    Acceptor.open(tcp::v4(), ec);
    // A host that closes its room and hosts again must not wait for old connections to time
    // out; two listeners on one port are still refused.
    if (!ec) Acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
    if (!ec) Acceptor.non_blocking(true, ec);
    if (!ec) Acceptor.bind(tcp::endpoint(asio::ip::address_v4(address), port), ec);
    if (!ec) Acceptor.listen(backlog, ec);
    if (ec) return CodeOf(ec);
    Accept();
    return 0;
  }

  int Handle() const override {
    return Acceptor.is_open() ? static_cast<int>(const_cast<tcp::acceptor&>(Acceptor).native_handle())
                              : -1;
  }

  uint16_t LocalPort() const override {
    asio::error_code ec;
    const tcp::endpoint local = Acceptor.local_endpoint(ec);
    return ec ? 0 : local.port();
  }

  pollfd Interest() const override { return {Handle(), static_cast<short>(Accepting ? POLLIN : 0), 0}; }

  int Close() override {
    Owner = nullptr;
    if (!Acceptor.is_open()) return 0;
    asio::error_code ec;
    Acceptor.close(ec);
    return ec ? CodeOf(ec) : 0;
  }

 private:
  void Accept() {
    if (!Owner || Accepting || !Acceptor.is_open()) return;
    Accepting = true;
    auto peer = std::make_shared<TAsioConnection>(Service);
    Acceptor.async_accept(peer->Socket, [self = shared_from_this(), peer](const asio::error_code& ec) {
      self->Accepting = false;
      if (ec == asio::error::operation_aborted || !self->Owner) return;
      if (ec) {
        self->Owner->SocketFailed(nullptr, CodeOf(ec));
      } else {
        self->Hand(peer);
        // Whoever else is already waiting comes in this round too, up to the round's share.
        for (int taken = 1; taken < kAcceptsPerRound && self->Owner && self->Acceptor.is_open(); ++taken) {
          auto next = std::make_shared<TAsioConnection>(self->Service);
          asio::error_code again;
          self->Acceptor.accept(next->Socket, again);
          if (again) break;  // nobody waiting (would block), or a failure the next async accept reports
          self->Hand(next);
        }
      }
      self->Service.Deferred.push_back([self] { self->Accept(); });
    });
  }

  // Gives an accepted socket to the owner, its reads watched from the next round.
  void Hand(const std::shared_ptr<TAsioConnection>& peer) {
    if (const int error = peer->Adopt(); error != 0) {
      Owner->SocketFailed(nullptr, error);
      peer->Close();
      return;
    }
    peer->Owner = Owner;
    Owner->SocketAccepted(peer);
    Service.Deferred.push_back([peer] { peer->WatchReads(); });
  }

  TNetService::TImpl& Service;
  ISocketOwner* Owner;
  tcp::acceptor Acceptor;
  bool Accepting = false;
};

}  // namespace

std::shared_ptr<TConnection> NewConnection(TNetService& service, ISocketOwner& owner,
                                           int& error) {
  if (ISocketFactory* factory = service.Internals().Factory) return factory->NewConnection(owner, error);
  auto connection = std::make_shared<TAsioConnection>(service.Internals());
  error = connection->Open();
  if (error != 0) return nullptr;
  connection->Owner = &owner;
  return connection;
}

std::shared_ptr<TListener> NewListener(TNetService& service, ISocketOwner& owner,
                                       uint32_t address, uint16_t port, int backlog, int& error) {
  if (ISocketFactory* factory = service.Internals().Factory)
    return factory->NewListener(owner, address, port, backlog, error);
  auto listener = std::make_shared<TAsioListener>(service.Internals(), owner);
  error = listener->Open(address, port, backlog);
  if (error != 0) return nullptr;
  return listener;
}

void SetSocketFactory(TNetService& service, ISocketFactory* factory) { service.Internals().Factory = factory; }

void CountDelivered(TNetService& service) { ++service.Internals().Delivered; }

void InterestChanged(TNetService& service) {
  TNetService::TImpl& impl = service.Internals();
  if (impl.Watcher) impl.Watcher->SetInterest(impl.InterestList());
}

// [SECTION] Delivery rounds

TNetService::TNetService() : Impl(std::make_unique<TImpl>()) {
  Impl->Channel->Io = &Impl->Io;
}

TNetService::~TNetService() {
  {
    std::lock_guard lock(Impl->Channel->Mutex);
    Impl->Channel->Io = nullptr;
    Impl->Channel->Watcher = nullptr;
  }
  Impl->Watcher.reset();
  Impl->Deferred.clear();
  // Connections still lingering end now; their peers get what has gone out so far.
  const auto lingering = Impl->Lingering;
  for (const auto& connection : lingering) static_cast<TAsioConnection&>(*connection).Shutdown();
  Impl->Work.reset();
}

size_t TNetService::Poll() { return Deliver(0); }

size_t TNetService::Wait(int ms) { return Deliver(ms); }

size_t TNetService::Deliver(int ms) {
  TImpl& impl = *Impl;
  // A count rather than a reset: a handler may run a nested round of its own.
  const size_t before = impl.Delivered;
  if (impl.Watcher) impl.Watcher->BeginDelivery();
  if (impl.Io.stopped()) impl.Io.restart();
  impl.Io.poll();
  if (impl.Delivered == before && ms > 0) {
    impl.RunDeferred();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (impl.Delivered == before && impl.Io.run_one_until(deadline) > 0) {
    }
    if (impl.Delivered != before) impl.Io.poll();
  }
  impl.RunDeferred();
  if (impl.Watcher) {
    impl.Watcher->SetInterest(impl.InterestList());
    impl.Watcher->Arm();
  }
  return impl.Delivered - before;
}

void TNetService::SetWakeCallback(std::function<void()> wake) {
  {
    std::lock_guard lock(Impl->Channel->Mutex);
    Impl->Channel->Watcher = nullptr;
  }
  Impl->Watcher.reset();
  if (!wake) return;
  Impl->Watcher = std::make_unique<TWakeWatcher>(std::move(wake));
  Impl->Watcher->SetInterest(Impl->InterestList());
  {
    std::lock_guard lock(Impl->Channel->Mutex);
    Impl->Channel->Watcher = Impl->Watcher.get();
  }
  Impl->Watcher->Arm();
}

}  // namespace lr
