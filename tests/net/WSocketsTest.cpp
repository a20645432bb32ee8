// The socket components over real loopback connections: the order of their events and the
// states around them, reads split and merged, errors, the send queue, and the wake callback.
#include "net/WSockets.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace lr {
namespace {

// What one component saw, in order; consecutive reads merge into one "data: " line, since
// the network may split a message anywhere.
struct TTrace {
  std::vector<std::string> Lines;
  void Note(const std::string& line) { Lines.push_back(line); }
  void Data(const std::string& bytes) {
    if (!Lines.empty() && Lines.back().rfind("data: ", 0) == 0)
      Lines.back() += bytes;
    else
      Lines.push_back("data: " + bytes);
  }
};

std::string ErrorLine(int error, const std::string& msg) {
  return "error " + std::to_string(error) + " " + msg;
}

class WSocketsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Server.BindAddress = "127.0.0.1";
    Server.Port = "0";
    Server.OnError = [this](TCustomWSocket&, int error, const std::string& msg) {
      ServerTrace.Note(ErrorLine(error, msg));
    };
    Server.Open();
    ASSERT_EQ(Server.SocketState(), wsListening);
    ASSERT_GE(Server.SocketHandle(), 0);
    ASSERT_NE(Server.LocalPort(), 0);
  }

  // A client of the test's server that notes its events; `read` takes the data on OnData.
  std::unique_ptr<TTCPClient> NewClient(TTrace& trace, TNetService& net, bool read = true) {
    auto client = std::make_unique<TTCPClient>(net);
    client->Host = "127.0.0.1";
    client->Port = std::to_string(Server.LocalPort());
    TTCPClient* self = client.get();
    auto how = [self](int socket) {
      return " state " + std::to_string(self->SocketState()) +
             (socket == self->SocketHandle() ? ", own handle" : ", another handle");
    };
    client->OnConnect = [&trace, how](TCustomWSocket&, int socket) {
      trace.Note("connect:" + how(socket));
    };
    client->OnClose = [&trace, how](TCustomWSocket&, int socket) {
      trace.Note("close:" + how(socket));
    };
    client->OnData = [&trace, self, read](TCustomWSocket&, int) {
      char buffer[256];
      if (read)
        if (const int count = self->Receive(buffer, sizeof buffer); count > 0)
          trace.Data(std::string(buffer, static_cast<size_t>(count)));
    };
    client->OnError = [&trace](TCustomWSocket&, int error, const std::string& msg) {
      trace.Note(ErrorLine(error, msg));
    };
    return client;
  }

  // Server events, noted with whether the socket is listed at that moment.
  void TraceServer() {
    auto listed = [this](int socket) {
      for (const int client : Server.Clients())
        if (client == socket) return std::string(" listed");
      return std::string(" unlisted");
    };
    Server.OnAccept = [this, listed](TCustomWSocket&, int socket) {
      Accepted.push_back(socket);
      ServerTrace.Note("accept:" + listed(socket));
    };
    Server.OnClose = [this, listed](TCustomWSocket&, int socket) {
      ServerTrace.Note("close:" + listed(socket));
    };
    Server.OnData = [this](TCustomWSocket&, int socket) {
      char buffer[256];
      if (const int count = Server.Receive(socket, buffer, sizeof buffer); count > 0)
        ServerTrace.Data(std::string(buffer, static_cast<size_t>(count)));
    };
  }

  // Delivers events (both services when a second is given) until `done`, in bounded rounds.
  bool PumpUntil(const std::function<bool()>& done, TNetService* other = nullptr,
                 int rounds = 5000) {
    for (int round = 0; round < rounds && !done(); ++round) {
      Net.Wait(2);
      if (other) other->Poll();
    }
    return done();
  }

  static bool Has(const TTrace& trace, const std::string& line) {
    return std::find(trace.Lines.begin(), trace.Lines.end(), line) != trace.Lines.end();
  }

  TNetService Net;
  TTCPServer Server{Net};
  TTrace ServerTrace;
  std::vector<int> Accepted;
};

TEST_F(WSocketsTest, ConnectAcceptDataAndCloseComeInOrderWithTheirStates) {
  TraceServer();
  TTrace trace;
  auto client = NewClient(trace, Net);
  // The lobby greets the master server from its connect handler, before state 2.
  client->OnConnect = [&](TCustomWSocket&, int socket) {
    trace.Note("connect: state " + std::to_string(client->SocketState()) +
               (socket == client->SocketHandle() ? ", own handle" : ", another handle"));
    EXPECT_EQ(client->Send("hi", 2), 2);
  };
  client->Open();
  EXPECT_EQ(client->SocketState(), wsConnecting);
  const int handle = client->SocketHandle();
  EXPECT_GE(handle, 0);
  client->Open();  // connecting: nothing happens
  EXPECT_EQ(client->SocketHandle(), handle);
  ASSERT_TRUE(PumpUntil([&] { return Has(ServerTrace, "data: hi"); }));
  EXPECT_EQ(client->SocketState(), wsConnected);
  client->Open();  // connected: nothing happens
  EXPECT_EQ(client->SocketHandle(), handle);
  ASSERT_EQ(Server.Clients().Count(), 1);
  EXPECT_EQ(Server.Clients()[0], Accepted.at(0));

  EXPECT_EQ(Server.Send(Accepted[0], "ho", 2), 2);
  ASSERT_TRUE(PumpUntil([&] { return Has(trace, "data: ho"); }));
  // The server drops the client: the client's handler sees the connection as it was.
  Server.Disconnect(Accepted[0]);
  EXPECT_EQ(Server.Clients().Count(), 0);
  ASSERT_TRUE(PumpUntil([&] { return client->SocketState() == wsClosed; }));
  EXPECT_EQ(client->SocketHandle(), -1);

  // The client connects again and leaves: the server's handler still finds it listed.
  client->Open();
  ASSERT_TRUE(PumpUntil([&] { return Server.Clients().Count() == 1 && client->SocketState() == wsConnected; }));
  client->Close();
  EXPECT_EQ(client->SocketState(), wsClosed);
  EXPECT_EQ(client->SocketHandle(), -1);
  ASSERT_TRUE(PumpUntil([&] { return Server.Clients().Count() == 0; }));

  EXPECT_EQ(trace.Lines, (std::vector<std::string>{"connect: state 4, own handle", "data: ho",
                                                    "close: state 2, own handle",
                                                    "connect: state 4, own handle"}));
  EXPECT_EQ(ServerTrace.Lines, (std::vector<std::string>{"accept: listed", "data: hi",
                                                          "accept: listed", "data: hi",
                                                          "close: listed"}));
}

TEST_F(WSocketsTest, ClosingTheServerClosesItsClientsWithoutTheirOnClose) {
  TraceServer();
  TTrace first, second;
  auto a = NewClient(first, Net);
  auto b = NewClient(second, Net);
  a->Open();
  b->Open();
  ASSERT_TRUE(PumpUntil([&] { return Server.Clients().Count() == 2; }));
  Server.Close();
  EXPECT_EQ(Server.SocketState(), wsClosed);
  EXPECT_EQ(Server.SocketHandle(), -1);
  EXPECT_EQ(Server.Clients().Count(), 0);
  ASSERT_TRUE(PumpUntil([&] { return a->SocketState() == wsClosed && b->SocketState() == wsClosed; }));
  EXPECT_EQ(ServerTrace.Lines, (std::vector<std::string>{"accept: listed", "accept: listed"}));
  EXPECT_TRUE(Has(first, "close: state 2, own handle"));
  EXPECT_TRUE(Has(second, "close: state 2, own handle"));
  Server.Open();  // and it listens again
  EXPECT_EQ(Server.SocketState(), wsListening);
}

TEST_F(WSocketsTest, ReceiveTakesWhatHasArrivedSplitOrMerged) {
  int socket = -1;
  int dataEvents = 0;
  int readSize = 0;  // 0: leave the data unread
  std::string received;
  Server.OnAccept = [&](TCustomWSocket&, int s) { socket = s; };
  Server.OnData = [&](TCustomWSocket&, int s) {
    ++dataEvents;
    char buffer[64];
    if (readSize > 0) received.append(buffer, static_cast<size_t>(Server.Receive(s, buffer, readSize)));
  };
  TTrace trace;
  auto client = NewClient(trace, Net);
  client->Open();
  ASSERT_TRUE(PumpUntil([&] { return socket >= 0 && client->SocketState() == wsConnected; }));

  // Three messages read one byte at a time.
  for (const std::string message : {"one", "two", "three"})
    ASSERT_EQ(client->Send(message.data(), static_cast<int>(message.size())), static_cast<int>(message.size()));
  readSize = 1;
  ASSERT_TRUE(PumpUntil([&] { return received.size() == 11; }));
  EXPECT_EQ(received, "onetwothree");

  // Two messages left unread: each round delivers one OnData for them, not an endless run.
  readSize = 0;
  received.clear();
  EXPECT_EQ(client->Send("four", 4), 4);
  EXPECT_EQ(client->Send("five", 4), 4);
  int pending = 0;
  ASSERT_TRUE(PumpUntil([&] { return ::ioctl(socket, FIONREAD, &pending) == 0 && pending == 8; }));
  Net.Poll();
  for (int round = 0; round < 3; ++round) {
    dataEvents = 0;
    EXPECT_EQ(Net.Poll(), 1u);
    EXPECT_EQ(dataEvents, 1);
  }
  // Then one read takes both.
  readSize = 64;
  EXPECT_EQ(Net.Poll(), 1u);
  EXPECT_EQ(received, "fourfive");
  EXPECT_EQ(Net.Poll(), 0u);
  EXPECT_EQ(Net.Wait(1), 0u);
}

TEST_F(WSocketsTest, FailuresReachOnErrorWithTheirCodesAndTexts) {
  TTrace trace;
  // Nobody listens on a port a closed server had.
  TTCPServer gone(Net);
  gone.BindAddress = "127.0.0.1";
  gone.Port = "0";
  gone.Open();
  const uint16_t closedPort = gone.LocalPort();
  gone.Close();
  auto refused = NewClient(trace, Net);
  refused->Port = std::to_string(closedPort);
  refused->Open();
  ASSERT_TRUE(PumpUntil([&] { return !trace.Lines.empty(); }));
  EXPECT_EQ(trace.Lines, std::vector<std::string>{ErrorLine(10061, "Connection refused")});
  EXPECT_EQ(refused->LastError(), 10061);
  EXPECT_EQ(refused->SocketState(), wsConnecting);  // until the owner closes it
  refused->Close();
  EXPECT_EQ(refused->SocketState(), wsClosed);

  // An unknown host: the attempt stops where it began.
  trace.Lines.clear();
  auto lost = NewClient(trace, Net);
  lost->Host = "no-such-host.invalid";
  lost->Open();
  EXPECT_EQ(lost->SocketState(), wsConnecting);  // looked up in the background
  ASSERT_TRUE(PumpUntil([&] { return !trace.Lines.empty(); }));
  EXPECT_EQ(trace.Lines, std::vector<std::string>{ErrorLine(11001, "Host not found")});
  EXPECT_EQ(lost->SocketState(), wsClosed);
  EXPECT_EQ(lost->SocketHandle(), -1);

  // A name that is found connects.
  trace.Lines.clear();
  lost->Host = "localhost";
  lost->Open();
  ASSERT_TRUE(PumpUntil([&] { return lost->SocketState() == wsConnected; }));
  EXPECT_EQ(trace.Lines, std::vector<std::string>{"connect: state 4, own handle"});

  // A port taken already.
  TTCPServer second(Net);
  second.BindAddress = "127.0.0.1";
  second.Port = std::to_string(Server.LocalPort());
  std::vector<std::string> serverErrors;
  second.OnError = [&](TCustomWSocket&, int error, const std::string& msg) {
    serverErrors.push_back(ErrorLine(error, msg));
  };
  second.Open();
  EXPECT_EQ(second.SocketState(), wsClosed);
  EXPECT_EQ(serverErrors, std::vector<std::string>{ErrorLine(10048, "Address already in use")});

  // Unknown sockets, and a port number out of range.
  serverErrors.clear();
  EXPECT_EQ(second.Send(12345, "x", 1), 0);
  second.Disconnect(12345);
  second.Port = "70000";
  second.Open();
  EXPECT_EQ(serverErrors, (std::vector<std::string>{ErrorLine(10038, "Socket operation on nonsocket"),
                                                    ErrorLine(10038, "Socket operation on nonsocket"),
                                                    ErrorLine(10022, "Invalid argument")}));

  // A port text that is no number throws, and nothing is opened.
  for (TCustomWSocket* socket : std::initializer_list<TCustomWSocket*>{lost.get(), &second}) {
    lost->Close();
    lost->Port = "xyz";
    second.Port = "xyz";
    try {
      if (socket == &second)
        second.Open();
      else
        lost->Open();
      ADD_FAILURE() << "no exception";
    } catch (const std::invalid_argument& error) {
      EXPECT_STREQ(error.what(), "'xyz' is not a valid integer value");
    }
    EXPECT_EQ(socket->SocketState(), wsClosed);
    EXPECT_EQ(socket->SocketHandle(), -1);
  }
}

// A steady pattern, so a lost, doubled or reordered piece shows.
char PatternByte(size_t index) { return static_cast<char>((index * 7 + index / 251) & 0xFF); }

TEST_F(WSocketsTest, AMebibyteReachesASlowReaderWholeAndInOrder) {
  constexpr size_t kTotal = 1 << 20;
  constexpr int kChunk = 4096;
  std::string received;
  bool closed = false;
  Server.OnData = [&](TCustomWSocket&, int socket) {
    char buffer[700];  // a slow reader: one small read per round
    const int count = Server.Receive(socket, buffer, sizeof buffer);
    received.append(buffer, static_cast<size_t>(count));
  };
  Server.OnClose = [&](TCustomWSocket&, int) { closed = true; };
  TNetService peer;
  TTrace trace;
  auto client = NewClient(trace, peer);
  client->Open();
  // Small kernel buffers on both ends, so the layer's own queue has to take the rest.
  const int small = 4096;
  ASSERT_EQ(::setsockopt(client->SocketHandle(), SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);
  ASSERT_EQ(::setsockopt(Server.SocketHandle(), SOL_SOCKET, SO_RCVBUF, &small, sizeof small), 0);
  ASSERT_TRUE(PumpUntil([&] { return client->SocketState() == wsConnected; }, &peer));

  std::string chunk(kChunk, '\0');
  size_t sent = 0;
  size_t mostQueued = 0;
  for (int round = 0; round < 200000 && sent < kTotal; ++round) {
    // The sender keeps within the queue's bound, as a well-behaved bulk sender must.
    while (sent < kTotal && client->QueuedBytes() + kChunk <= kSendQueueLimit) {
      for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = PatternByte(sent + i);
      ASSERT_EQ(client->Send(chunk.data(), kChunk), kChunk);
      sent += kChunk;
    }
    mostQueued = std::max(mostQueued, client->QueuedBytes());
    peer.Poll();
    Net.Wait(1);
  }
  ASSERT_EQ(sent, kTotal);
  EXPECT_GT(mostQueued, 0u);  // the reader was slow enough for the queue to fill
  // Closed with bytes still queued: they go out first, then the close.
  client->Close();
  ASSERT_TRUE(PumpUntil([&] { return closed; }, &peer, 200000));
  ASSERT_EQ(received.size(), kTotal);
  size_t firstWrong = kTotal;
  for (size_t i = 0; i < kTotal && firstWrong == kTotal; ++i)
    if (received[i] != PatternByte(i)) firstWrong = i;
  EXPECT_EQ(firstWrong, kTotal);
  EXPECT_EQ(trace.Lines, std::vector<std::string>{"connect: state 4, own handle"});
}

TEST_F(WSocketsTest, APeerThatNeverReadsIsDroppedAtTheQueueBound) {
  // The layer's bound, and a server's own (read as each connection is accepted).
  for (const size_t bound : {kSendQueueLimit, size_t{100 * 1024}}) {
    SCOPED_TRACE(bound);
    ServerTrace.Lines.clear();
    Accepted.clear();
    TraceServer();
    Server.SendQueueLimit = bound;
    TNetService peer;
    TTrace trace;
    auto client = NewClient(trace, peer, /*read=*/false);
    client->Open();
    ASSERT_TRUE(PumpUntil([&] { return Accepted.size() == 1 && client->SocketState() == wsConnected; }, &peer));

    const std::string chunk(16 * 1024, 'x');
    size_t taken = 0;
    int refusedAt = -1;
    for (int i = 0; i < 4096 && refusedAt < 0; ++i) {
      const size_t queued = Server.QueuedBytes(Accepted[0]);
      const int count = Server.Send(Accepted[0], chunk.data(), static_cast<int>(chunk.size()));
      ASSERT_TRUE(count == 0 || count == static_cast<int>(chunk.size())) << count;  // never a part
      // Refused exactly when the queue would pass the bound.
      EXPECT_EQ(count == 0, queued + chunk.size() > bound) << queued;
      if (count == 0) {
        refusedAt = i;
        break;
      }
      taken += static_cast<size_t>(count);
      Net.Poll();
    }
    ASSERT_GE(refusedAt, 0);
    EXPECT_GE(taken, bound - chunk.size());  // the kernel's buffers took their share besides
    EXPECT_EQ(Server.LastError(), 10055);
    // Further sends are refused while its close is on the way.
    EXPECT_EQ(Server.Send(Accepted[0], "x", 1), 0);
    ASSERT_TRUE(PumpUntil([&] { return Server.Clients().Count() == 0; }, &peer));
    EXPECT_EQ(ServerTrace.Lines,
              (std::vector<std::string>{"accept: listed", ErrorLine(10055, "No buffer space available"),
                                        ErrorLine(10058, "Can't send after socket shutdown"),
                                        "close: listed"}));
  }
}

TEST(WSocketsCrowdTest, AServerTakesAsManyAsItsCapacityAndKnowsWhereEachComesFrom) {
  // Beyond the default of 256, arriving all at once; one more than the capacity is closed.
  constexpr int kCapacity = 300;
  TNetService net;
  TTCPServer server(net, kCapacity);
  server.BindAddress = "127.0.0.1";
  server.Port = "0";
  server.ListenBacklog = 512;
  server.NoDelay = true;
  std::vector<std::string> addresses;
  int gathering = 0;
  server.OnAccept = [&](TCustomWSocket&, int socket) {
    addresses.push_back(server.PeerAddress(socket));
    int noDelay = 0;
    socklen_t size = sizeof noDelay;
    ::getsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &noDelay, &size);
    gathering += noDelay == 0 ? 1 : 0;
  };
  server.Open();
  ASSERT_EQ(server.SocketState(), wsListening);

  TNetService peers;
  std::vector<std::unique_ptr<TTCPClient>> clients;
  int closed = 0;
  for (int i = 0; i < kCapacity + 1; ++i) {
    clients.push_back(std::make_unique<TTCPClient>(peers));
    clients.back()->Host = "127.0.0.1";
    clients.back()->Port = std::to_string(server.LocalPort());
    clients.back()->OnClose = [&](TCustomWSocket&, int) { ++closed; };
    clients.back()->Open();
  }
  for (int round = 0; round < 20000 && !(addresses.size() == kCapacity && closed == 1); ++round) {
    net.Wait(1);
    peers.Poll();
  }
  EXPECT_EQ(server.Clients().Count(), kCapacity);
  EXPECT_EQ(closed, 1);
  ASSERT_EQ(addresses.size(), size_t{kCapacity});
  EXPECT_EQ(std::count(addresses.begin(), addresses.end(), "127.0.0.1"), kCapacity);
  EXPECT_EQ(gathering, 0);
  EXPECT_EQ(server.PeerAddress(-5), "");
  EXPECT_EQ(server.PeerAddress(server.SocketHandle()), "");  // the listener is no accepted socket
}

TEST_F(WSocketsTest, TheWakeCallbackFiresOnceWhenDataArrives) {
  std::mutex mutex;
  std::condition_variable woken;
  int wakes = 0;
  Net.SetWakeCallback([&] {
    std::lock_guard lock(mutex);
    ++wakes;
    woken.notify_all();
  });
  TraceServer();
  TNetService peer;  // the other machine, with no watcher of its own
  TTrace trace;
  auto client = NewClient(trace, peer);
  client->Open();
  ASSERT_TRUE(PumpUntil([&] { return Accepted.size() == 1 && client->SocketState() == wsConnected; }, &peer));
  while (Net.Poll() > 0) {
  }
  {
    std::lock_guard lock(mutex);
    wakes = 0;
  }

  EXPECT_EQ(client->Send("ping", 4), 4);
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(woken.wait_for(lock, std::chrono::seconds(20), [&] { return wakes > 0; }));
  }
  // More data before the next delivery round wakes nobody again.
  EXPECT_EQ(client->Send("pong", 4), 4);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  {
    std::lock_guard lock(mutex);
    EXPECT_EQ(wakes, 1);
  }
  ASSERT_TRUE(PumpUntil([&] { return Has(ServerTrace, "data: pingpong"); }));
  Net.SetWakeCallback(nullptr);
}

}  // namespace
}  // namespace lr
