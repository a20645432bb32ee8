// The master server end to end over loopback with scripted clients: the lobby from login to
// leaving, pings and silence, every limit, and each malformed input closing only its own
// connection. The clock is the test's, so time-based rules run without sleeping.
#include "master/MasterServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "master/ScriptedClient.h"

namespace lr {
namespace {

using namespace std::chrono_literals;
using test::TScriptedClient;
using TLines = std::vector<std::string>;

// The lines from the last game list (its message 10) on.
TLines LastList(const TLines& lines) {
  const auto last = std::find(lines.rbegin(), lines.rend(), "10");
  return last == lines.rend() ? TLines{} : TLines(std::prev(last.base()), lines.end());
}

class MasterTest : public ::testing::Test {
 protected:
  void SetUp() override { Start({}); }

  void Start(TMasterOptions options) {
    Clients.clear();
    Server.reset();
    options.BindAddress = "127.0.0.1";
    options.Port = 0;
    Server = std::make_unique<TMasterServer>(
        Net, options, [this](const std::string& line) { Log.push_back(line); }, [this] { return Now; });
    std::string error;
    ASSERT_TRUE(Server->Start(error)) << error;
    ASSERT_NE(Server->Port(), 0);
  }

  TScriptedClient& Connect(const std::string& from = "127.0.0.1", int receiveBuffer = 0) {
    Clients.push_back(std::make_unique<TScriptedClient>(Server->Port(), from, receiveBuffer));
    EXPECT_TRUE(Clients.back()->Connected);
    return *Clients.back();
  }

  // Server rounds and client reads until `done`, in bounded rounds.
  bool Pump(const std::function<bool()>& done, int rounds = 3000) {
    for (int round = 0; round < rounds; ++round) {
      if (done()) return true;
      Server->Step(1);
      for (auto& client : Clients) client->Read();
    }
    return done();
  }
  // A few rounds more, for what must not arrive.
  void Settle() {
    Pump([] { return false; }, 30);
  }

  // Logs in and waits for the end of the welcome (the game list's message 10).
  TScriptedClient& LogIn(const std::string& name, const std::string& from = "127.0.0.1") {
    TScriptedClient& client = Connect(from);
    client.Send(TLobbyLogin{.PlayerName = name});
    EXPECT_TRUE(Pump([&] { return client.Got("10"); })) << name;
    return client;
  }

  // Advances the clock in steps the server sees one by one.
  void Advance(std::chrono::milliseconds by, std::chrono::milliseconds step = 100ms) {
    while (by > 0ms) {
      const auto now = std::min(by, step);
      Now += now;
      by -= now;
      Server->Step(0);
      for (auto& client : Clients) client->Read();
    }
  }

  bool Logged(const std::string& part) const {
    return std::any_of(Log.begin(), Log.end(),
                       [&](const std::string& line) { return line.find(part) != std::string::npos; });
  }

  TMasterTime Now = TMasterTime{} + 1h;
  TNetService Net;
  std::unique_ptr<TMasterServer> Server;
  std::vector<std::unique_ptr<TScriptedClient>> Clients;
  TLines Log;
};

TEST_F(MasterTest, TheLobbyFromLoginToLeaving) {
  // Login: quiet 9s for everyone online, itself last, then the list; the others hear a 1.
  TScriptedClient& ann = LogIn("Ann");
  EXPECT_EQ(ann.Take(), (TLines{"9 quiet Ann", "10"}));
  TScriptedClient& bob = LogIn("Bob", "127.0.0.3");
  EXPECT_EQ(bob.Take(), (TLines{"9 quiet Ann", "9 quiet Bob", "10"}));
  ASSERT_TRUE(Pump([&] { return ann.Count() == 1; }));
  EXPECT_EQ(ann.Take(), (TLines{"1 Bob"}));

  // A name already online is refused with a line saying why, then closed.
  TScriptedClient& ann2 = Connect();
  ann2.Send(TLobbyLogin{.PlayerName = "Ann"});
  ASSERT_TRUE(Pump([&] { return ann2.Closed; }));
  EXPECT_EQ(ann2.Take(), (TLines{"3 The name Ann is already in the lobby. Choose another in Options."}));

  // Chat goes to everyone, the sender included.
  bob.Send(TLobbySay{.Text = "Bob> hi all"});
  ASSERT_TRUE(Pump([&] { return ann.Count() == 1 && bob.Count() == 1; }));
  EXPECT_EQ(ann.Take(), (TLines{"3 Bob> hi all"}));
  EXPECT_EQ(bob.Take(), (TLines{"3 Bob> hi all"}));

  // Hosting: a fresh list to every lobby.
  bob.Send(TLobbyHostGame{.GameName = "Lava Pit", .MaxPlayers = 3});
  ASSERT_TRUE(Pump([&] { return ann.Count() == 2 && bob.Count() == 2; }));
  EXPECT_EQ(ann.Take(), (TLines{"10", "5 #1 Lava Pit 1/3 0ms"}));
  EXPECT_EQ(bob.Take(), (TLines{"10", "5 #1 Lava Pit 1/3 0ms"}));

  // Joining: the host's address as the master sees it, a provisional seat; or a line why not.
  ann.Send(TLobbyRefresh{});
  ann.Send(TLobbyJoinRequest{.GameId = 1});
  ann.Send(TLobbyJoinRequest{.GameId = 7});
  ASSERT_TRUE(Pump([&] { return ann.Count() == 4; }));
  EXPECT_EQ(ann.Take(), (TLines{"10", "5 #1 Lava Pit 1/3 0ms", "7 seat 2 127.0.0.3",
                                "3 That game is no longer hosted. Refresh the list."}));
  // The host's room fills up (11): every lobby hears, and a join is told the game is full.
  bob.Send(TLobbyGameStatus{.PlayerCount = 3, .Closed = 0});
  ASSERT_TRUE(Pump([&] { return ann.Count() == 2 && bob.Count() == 2; }));
  EXPECT_EQ(ann.Take(), (TLines{"10", "5 #1 Lava Pit 3/3 0ms"}));
  bob.Take();
  ann.Send(TLobbyJoinRequest{.GameId = 1});
  ASSERT_TRUE(Pump([&] { return ann.Count() == 1; }));
  EXPECT_EQ(ann.Take(), (TLines{"3 That game is full."}));
  bob.Send(TLobbyGameStatus{.PlayerCount = 2, .Closed = 1});
  ASSERT_TRUE(Pump([&] { return ann.Count() == 2; }));
  EXPECT_EQ(ann.Take(), (TLines{"10", "5 #1 Lava Pit 2/3 0ms"}));

  // Hosting again replaces the game under the next free id; Ann hosts one of her own.
  bob.Send(TLobbyHostGame{.GameName = "Second", .MaxPlayers = 8});
  ann.Send(TLobbyHostGame{.GameName = "Ann's", .MaxPlayers = 2});
  ASSERT_TRUE(Pump([&] { return ann.Got("5 #3 Ann's 1/2 0ms") && bob.Got("5 #3 Ann's 1/2 0ms"); }));
  // The two changes came in one round or two: the last list is what counts.
  EXPECT_EQ(LastList(ann.Take()), (TLines{"10", "5 #2 Second 1/8 0ms", "5 #3 Ann's 1/2 0ms"}));
  bob.Take();

  // 9: the host closed its room.
  ann.Send(TLobbyGameClosed{.HostName = "Ann"});
  ASSERT_TRUE(Pump([&] { return bob.Count() == 2; }));
  EXPECT_EQ(bob.Take(), (TLines{"10", "5 #2 Second 1/8 0ms"}));
  ann.Take();

  // A host that goes away takes its game along; everyone else hears it left.
  bob.Shut();
  ASSERT_TRUE(Pump([&] { return ann.Count() == 2; }));
  EXPECT_EQ(ann.Take(), (TLines{"2 Bob", "10"}));
  Settle();
  EXPECT_EQ(ann.Take(), TLines{});
  EXPECT_FALSE(ann.Closed);

  const TMasterStats stats = Server->Stats();
  EXPECT_EQ(stats.Players, 1u);
  EXPECT_EQ(stats.Games, 0u);
  EXPECT_EQ(stats.Connections, 1u);
  EXPECT_EQ(stats.LoginsRefused, 1u);
  for (const char* part : {"127.0.0.1 connect", "127.0.0.1 login \"Ann\"", "127.0.0.3 login \"Bob\"",
                           "login refused for \"Ann\": the name is in the lobby already",
                           "\"Bob\" hosts game 1 \"Lava Pit\" for 3", "\"Ann\" joins game 1 at 127.0.0.3",
                           "\"Ann\" joins game 7: refused, no such game", "\"Ann\" joins game 1: refused, full",
                           "\"Ann\" closes game 3", "\"Bob\" leaves; closed by the peer"})
    EXPECT_TRUE(Logged(part)) << part;
}

TLines Sorted(TLines lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST_F(MasterTest, AHostThatFailsMidMessageOrResetsTakesItsGameAlongAndOneByteAtATimeIsHeardWhole) {
  enum class TFault { CloseMidMessage, Reset, ByteByByte };
  struct TCase {
    TFault Fault;
    TLines AnnHears;  // after Bob hosted, in any order: the list goes out after each round
    const char* Logged;
  };
  const TCase cases[] = {
      {TFault::CloseMidMessage, {"2 Bob", "10"}, "\"Bob\" leaves; closed by the peer"},
      {TFault::Reset, {"2 Bob", "10"}, "\"Bob\" leaves;"},
      {TFault::ByteByByte, {"1 Bob", "10", "5 #1 Lava Pit 1/3 0ms", "3 Bob> hi all"}, "\"Bob\" hosts game 1"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.Fault));
    Start({});
    Log.clear();
    TScriptedClient& ann = LogIn("Ann");
    ann.Take();
    TScriptedClient& bob = Connect("127.0.0.3");
    const std::vector<uint8_t> say = Encode(TLobbySay{.Text = "Bob> hi all"});
    std::vector<uint8_t> session = Encode(TLobbyLogin{.PlayerName = "Bob"});
    for (const std::vector<uint8_t>& more : {Encode(TLobbyHostGame{.GameName = "Lava Pit", .MaxPlayers = 3}), say})
      session.insert(session.end(), more.begin(), more.end());
    if (c.Fault == TFault::ByteByByte) {
      session.push_back(Encode(TLobbyRefresh{})[0]);
      for (const uint8_t byte : session) {
        bob.SendBytes({byte});
        Server->Step(0);
      }
      ASSERT_TRUE(Pump([&] { return bob.Got("3 Bob> hi all") && ann.Got("3 Bob> hi all"); }));
      Settle();
      EXPECT_EQ(Sorted(ann.Take()), Sorted(c.AnnHears));
      EXPECT_FALSE(bob.Closed);
    } else {
      // Logged in and hosting, then half a chat line.
      bob.SendBytes(std::vector<uint8_t>(session.begin(), session.end() - static_cast<std::ptrdiff_t>(say.size() / 2)));
      ASSERT_TRUE(Pump([&] { return ann.Got("5 #1 Lava Pit 1/3 0ms"); }));
      ann.Take();
      if (c.Fault == TFault::Reset) bob.Reset(); else bob.Shut();
      ASSERT_TRUE(Pump([&] { return ann.Count() >= 2; }));
      Settle();
      EXPECT_EQ(Sorted(ann.Take()), Sorted(c.AnnHears));
      EXPECT_EQ(Server->Stats().Games, 0u);
      EXPECT_EQ(Server->Stats().Connections, 1u);
    }
    EXPECT_TRUE(Logged(c.Logged)) << c.Logged;
    EXPECT_EQ(Server->Stats().ProtocolErrors, 0u);
  }
}

TEST_F(MasterTest, LoginNamesAreCheckedAndEveryRefusalSaysWhy) {
  const std::string length = "3 A name has 1 to 15 characters. Choose another in Options.";
  const std::string control = "3 A name may not hold control characters. Choose another in Options.";
  struct TCase {
    std::vector<uint8_t> Name;  // the name field: length byte and characters
    std::string Answer;         // the first line the client gets
  };
  const std::vector<TCase> cases = {
      {{0}, length},
      {{16, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o'}, length},
      {{255, 'x'}, length},
      {{3, 'A', '\t', 'B'}, control},
      {{2, 'A', 0x7F}, control},
      {{2, 'A', 0x81}, control},  // a C1 control: no character in the code page
      {{1, 'X'}, "9 quiet X"},
      {{3, 'Z', 'o', 0xEB}, "9 quiet Zo\xEB"},
      {{15, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', 'm', 'n', 'o'}, "9 quiet abcdefghijklmno"},
      {{2, 0x80, ' '}, "9 quiet \x80 "},  // the euro sign and a space are characters
  };
  for (const TCase& c : cases) {
    TScriptedClient& client = Connect();
    std::vector<uint8_t> login(18, 0);
    login[0] = 1;
    std::copy(c.Name.begin(), c.Name.end(), login.begin() + 2);
    client.SendBytes(login);
    const bool refused = c.Answer.starts_with("3 ");
    if (refused) {
      ASSERT_TRUE(Pump([&] { return client.Closed; }));
      EXPECT_EQ(client.Take(), TLines{c.Answer});
    } else {
      // Its own name comes last of those online, just before the list.
      ASSERT_TRUE(Pump([&] { return client.Got("10"); }));
      const TLines lines = client.Take();
      ASSERT_GE(lines.size(), 2u);
      EXPECT_EQ(lines[lines.size() - 2], c.Answer);
    }
  }
  Settle();
  EXPECT_EQ(Server->Stats().Players, 4u);
  EXPECT_EQ(Server->Stats().LoginsRefused, 6u);
  EXPECT_TRUE(Logged("login refused for \"A\\x09B\": a control character in the name"));
  EXPECT_TRUE(Logged("login refused for \"A\\x81\": a control character in the name"));
  EXPECT_TRUE(Logged("login \"Zo\xC3\xAB\""));  // the log speaks UTF-8
}

TEST_F(MasterTest, EachMalformedOrMisplacedMessageClosesOnlyItsOwnConnection) {
  TScriptedClient& witness = LogIn("Witness");
  witness.Send(TLobbyHostGame{.GameName = "Kept", .MaxPlayers = 4});
  ASSERT_TRUE(Pump([&] { return witness.Got("5 #1 Kept 1/4 0ms"); }));
  auto raw = [](std::vector<uint8_t> head, size_t length) {
    head.resize(length, 0);
    return head;
  };
  struct TCase {
    const char* Name;
    bool LogInFirst;
    std::vector<uint8_t> Bytes;
    const char* Logged;
  };
  const std::vector<TCase> cases = {
      {"unknown code before login", false, {0xFF, 1, 2}, "closed: unknown code 255"},
      {"unknown code after login", true, {0x02, 0, 0}, "closed: unknown code 2"},
      {"a message to the game, after login", true, raw({5}, 80), "closed: unknown code 5"},
      {"chat before login", false, Encode(TLobbySay{.Text = "X> hi"}), "closed: message 3 before the login"},
      {"pong before login", false, {12, 1, 0, 0}, "closed: message 12 before the login"},
      {"a second login", true, Encode(TLobbyLogin{.PlayerName = "Y"}), "closed: message 1 after the login"},
      {"chat in another's name", true, Encode(TLobbySay{.Text = "Witness> hi"}),
       "malformed: a chat line not in the sender's name"},
      {"chat without the name's mark", true, Encode(TLobbySay{.Text = "X hi"}),
       "malformed: a chat line not in the sender's name"},
      {"one player", true, Encode(TLobbyHostGame{.GameName = "G", .MaxPlayers = 1}), "malformed: maximum players 1"},
      {"nine players", true, Encode(TLobbyHostGame{.GameName = "G", .MaxPlayers = 9}), "malformed: maximum players 9"},
      {"a game name past its field", true, raw({4, 31}, 33), "malformed: GameName longer than its field"},
      {"a room closed in another's name", true, Encode(TLobbyGameClosed{.HostName = "Witness"}),
       "malformed: a room closed in another's name \"Witness\""},
      {"a host's name past its field", true, raw({9, 0, 16}, 18), "malformed: HostName longer than its field"},
      {"no players", true, Encode(TLobbyGameStatus{.PlayerCount = 0}), "malformed: 0 players"},
      {"nine in a room", true, Encode(TLobbyGameStatus{.PlayerCount = 9}), "malformed: 9 players"},
      {"closed flag 2", true, Encode(TLobbyGameStatus{.PlayerCount = 2, .Closed = 2}), "closed flag 2"},
      {"an answer to no ping", true, Encode(TLobbyPong{.Opaque = {1, 0, 0}}), "malformed: an answer to no ping"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Log.clear();
    TScriptedClient& client = c.LogInFirst ? LogIn("X") : Connect();
    if (c.LogInFirst) {
      ASSERT_TRUE(Pump([&] { return witness.Got("1 X"); }));
    }
    witness.Take();
    client.SendBytes(c.Bytes);
    ASSERT_TRUE(Pump([&] { return client.Closed; }));
    EXPECT_TRUE(Logged(c.Logged)) << (Log.empty() ? "" : Log.back());
    // The witness hears X leave, if X was there, and is served as before.
    witness.Send(TLobbyRefresh{});
    ASSERT_TRUE(Pump([&] { return witness.Got("5 #1 Kept 1/4 0ms"); }));
    const TLines expected = c.LogInFirst ? TLines{"2 X", "10", "5 #1 Kept 1/4 0ms"} : TLines{"10", "5 #1 Kept 1/4 0ms"};
    EXPECT_EQ(witness.Take(), expected);
    EXPECT_FALSE(witness.Closed);
  }
  EXPECT_EQ(Server->Stats().ProtocolErrors, cases.size());
  EXPECT_EQ(Server->Stats().Connections, 1u);
}

TEST_F(MasterTest, PingsMeasureTheHostsRoundTripAndSilenceCloses) {
  TScriptedClient& host = LogIn("Host");
  TScriptedClient& mute = LogIn("Mute");
  host.Send(TLobbyHostGame{.GameName = "Fast", .MaxPlayers = 2});
  ASSERT_TRUE(Pump([&] { return host.Got("5 #1 Fast 1/2 0ms"); }));
  host.Take();
  mute.Take();

  // No ping before its interval has passed; one at it, to every player.
  Advance(4900ms);
  Settle();
  EXPECT_EQ(host.Count(), 0u);
  Advance(100ms);
  ASSERT_TRUE(Pump([&] { return host.Got("12") && mute.Got("12"); }));
  host.Take();
  // The host answers 40 ms later; its game shows that in the next list.
  Now += 40ms;
  host.Answer();
  host.Send(TLobbyRefresh{});
  ASSERT_TRUE(Pump([&] { return host.Count() == 2; }));
  EXPECT_EQ(host.Take(), (TLines{"10", "5 #1 Fast 1/2 40ms"}));

  // The mute player never answers: closed when 30 s have passed since its login, not before.
  // The host answers every ping and stays.
  const TMasterTime login = Now - 5040ms;
  while (Now + 100ms < login + 29999ms) {
    Advance(100ms);
    host.Answer();
  }
  Now = login + 29999ms;
  Server->Step(0);
  Settle();
  EXPECT_FALSE(mute.Closed);
  Now += 1ms;
  Server->Step(0);
  ASSERT_TRUE(Pump([&] { return mute.Closed; }));
  ASSERT_TRUE(Pump([&] { return host.Got("2 Mute"); }));
  EXPECT_FALSE(host.Closed);
  EXPECT_TRUE(Logged("\"Mute\" leaves; closed: no answer to pings for 30 s"));
  // A ping 5 s after the last: the clock came by at 10.04 s, 15.04, 20.04 and 25.04 s.
  EXPECT_EQ(host.CountOf("12"), 4u) << ::testing::PrintToString(host.Take());
  EXPECT_EQ(Server->Stats().TimedOut, 1u);
}

TEST_F(MasterTest, ALoginMustComeWithinItsTimeEvenOneByteAtATime) {
  TScriptedClient& idle = Connect();
  TScriptedClient& slow = Connect();  // a byte every few seconds, never a whole login
  TScriptedClient& late = Connect();  // whole just in time
  Settle();
  const std::vector<uint8_t> login = Encode(TLobbyLogin{.PlayerName = "Late"});
  for (int second = 0; second < 9; ++second) {
    slow.SendBytes({login[static_cast<size_t>(second)]});
    Advance(1000ms);
  }
  late.SendBytes(login);
  Advance(999ms);  // 9.999 s
  ASSERT_TRUE(Pump([&] { return late.Got("10"); }));
  EXPECT_FALSE(idle.Closed);
  EXPECT_FALSE(slow.Closed);
  Advance(1ms);
  ASSERT_TRUE(Pump([&] { return idle.Closed && slow.Closed; }));
  Settle();
  EXPECT_FALSE(late.Closed);
  EXPECT_EQ(Server->Stats().TimedOut, 2u);
  EXPECT_TRUE(Logged("closed: no login within 10 s"));
}

TEST_F(MasterTest, ChatBeyondItsRateIsDroppedAndTheSenderToldOnce) {
  TScriptedClient& ann = LogIn("Ann");
  TScriptedClient& bob = LogIn("Bob");
  ann.Take();
  bob.Take();
  const std::string told = "3 You are chatting too fast: lines beyond 5 in 2 seconds are dropped.";
  for (int i = 1; i <= 7; ++i) ann.Send(TLobbySay{.Text = "Ann> " + std::to_string(i)});
  ASSERT_TRUE(Pump([&] { return ann.Count() == 6 && bob.Count() == 5; }));
  Settle();
  EXPECT_EQ(bob.Take(), (TLines{"3 Ann> 1", "3 Ann> 2", "3 Ann> 3", "3 Ann> 4", "3 Ann> 5"}));
  EXPECT_EQ(ann.Take(), (TLines{"3 Ann> 1", "3 Ann> 2", "3 Ann> 3", "3 Ann> 4", "3 Ann> 5", told}));
  // 1.9 s later the window is still full, and she has been told; at 2 s the lines have left it.
  Now += 1900ms;
  ann.Send(TLobbySay{.Text = "Ann> 8"});
  Settle();
  EXPECT_EQ(ann.Take(), TLines{});
  Now += 100ms;
  for (int i = 9; i <= 14; ++i) ann.Send(TLobbySay{.Text = "Ann> " + std::to_string(i)});
  ASSERT_TRUE(Pump([&] { return ann.Count() == 6; }));
  Settle();
  // Told again: lines got through since she was last told.
  EXPECT_EQ(ann.Take(), (TLines{"3 Ann> 9", "3 Ann> 10", "3 Ann> 11", "3 Ann> 12", "3 Ann> 13", told}));
  EXPECT_EQ(Server->Stats().ChatDropped, 4u);
  EXPECT_FALSE(ann.Closed);
}

TEST_F(MasterTest, ConnectionsBeyondTheirLimitsAreToldAndClosed) {
  TMasterOptions options;
  options.MaxConnections = 4;
  options.MaxPerAddress = 2;
  Start(options);
  TScriptedClient& a1 = Connect("127.0.0.1");
  TScriptedClient& a2 = Connect("127.0.0.1");
  TScriptedClient& a3 = Connect("127.0.0.1");
  TScriptedClient& b1 = Connect("127.0.0.2");
  ASSERT_TRUE(Pump([&] { return a3.Closed; }));
  EXPECT_EQ(a3.Take(), (TLines{"3 Too many connections come from your address."}));
  TScriptedClient& c1 = Connect("127.0.0.3");
  Settle();
  EXPECT_FALSE(c1.Closed);
  EXPECT_EQ(Server->Stats().Connections, 4u);
  TScriptedClient& d1 = Connect("127.0.0.4");
  ASSERT_TRUE(Pump([&] { return d1.Closed; }));
  EXPECT_EQ(d1.Take(), (TLines{"3 The lobby is full. Try again later."}));
  // A place that frees up is taken again, from the same address as before.
  a1.Shut();
  ASSERT_TRUE(Pump([&] { return Server->Stats().Connections == 3; }));
  TScriptedClient& a4 = Connect("127.0.0.1");
  a4.Send(TLobbyLogin{.PlayerName = "A4"});
  ASSERT_TRUE(Pump([&] { return a4.Got("10"); }));
  EXPECT_FALSE(a2.Closed || b1.Closed || c1.Closed || a4.Closed);
  EXPECT_EQ(Server->Stats().Refused, 2u);
  EXPECT_TRUE(Logged("127.0.0.1 limit hit: 2 connections from this address; closed"));
  EXPECT_TRUE(Logged("127.0.0.4 limit hit: 4 connections; closed"));
}

TEST_F(MasterTest, GamesAndTheMessageRateHaveTheirLimits) {
  TMasterOptions options;
  options.MaxGames = 2;
  options.MessagesPerSecond = 12;
  Start(options);
  TScriptedClient& a = LogIn("A");
  TScriptedClient& b = LogIn("B");
  TScriptedClient& c = LogIn("C");
  a.Send(TLobbyHostGame{.GameName = "GA", .MaxPlayers = 2});
  b.Send(TLobbyHostGame{.GameName = "GB", .MaxPlayers = 2});
  ASSERT_TRUE(Pump([&] { return c.Got("5 #2 GB 1/2 0ms"); }));
  c.Send(TLobbyHostGame{.GameName = "GC", .MaxPlayers = 2});
  ASSERT_TRUE(Pump([&] { return c.Got("3 No more games can be hosted now. Try again later."); }));
  // A host replacing its own game is no new game.
  a.Send(TLobbyHostGame{.GameName = "GA2", .MaxPlayers = 2});
  ASSERT_TRUE(Pump([&] { return c.Got("5 #3 GA2 1/2 0ms"); }));
  EXPECT_EQ(Server->Stats().Games, 2u);
  EXPECT_TRUE(Logged("\"C\" limit hit: 2 games; not hosted"));

  // The message rate: 12 in a second pass, the 13th closes.
  Now += 1s;
  a.Take();
  std::vector<uint8_t> burst(12, 10);
  a.SendBytes(burst);
  ASSERT_TRUE(Pump([&] { return a.CountOf("10") == 12; }));
  Now += 1s;
  burst.push_back(10);
  a.SendBytes(burst);
  ASSERT_TRUE(Pump([&] { return a.Closed; }));
  EXPECT_TRUE(Logged("\"A\" leaves; limit hit: more than 12 messages in a second; closed"));
  EXPECT_EQ(Server->Stats().Flooders, 1u);
  ASSERT_TRUE(Pump([&] { return c.Got("2 A"); }));
}

TEST_F(MasterTest, AReaderThatFallsBehindIsLetGoAtItsQueueBound) {
  TMasterOptions options;
  options.SendQueueBytes = 64 * 1024;
  options.MessagesPerSecond = 1'000'000;
  Start(options);
  TScriptedClient& host = LogIn("Host");
  host.Send(TLobbyHostGame{.GameName = "A game with a long name here", .MaxPlayers = 8});
  TScriptedClient& sloth = Connect("127.0.0.1", 4096);
  sloth.Send(TLobbyLogin{.PlayerName = "Sloth"});
  ASSERT_TRUE(Pump([&] { return sloth.Got("5 #1 A game with a long name here 1/8 0ms"); }));
  // It stops reading and asks for the list 40,000 times: 3.2 MB of answers.
  sloth.Reading = false;
  sloth.SendBytes(std::vector<uint8_t>(40'000, 10));
  ASSERT_TRUE(Pump([&] { return host.Got("2 Sloth"); }));
  EXPECT_EQ(Server->Stats().SlowReaders, 1u);
  EXPECT_TRUE(Logged("\"Sloth\" leaves; limit hit: more than 65536 bytes unread; closed"));
  host.Send(TLobbySay{.Text = "Host> still here"});
  ASSERT_TRUE(Pump([&] { return host.Got("3 Host> still here"); }));
  EXPECT_EQ(Server->Stats().Connections, 1u);
}

}  // namespace
}  // namespace lr
