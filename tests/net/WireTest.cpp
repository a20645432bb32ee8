// The wire pinned byte by byte: every message both ways, its neighbours one byte short and
// one byte long and under a foreign code, short strings at and past their capacity, and the
// stream framer fed the same bytes in every way a socket could cut them.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <span>
#include <string>
#include <vector>

#include "net/WireCodec.h"
#include "net/WireFramer.h"

namespace lr {
namespace {

using TBytes = std::vector<uint8_t>;

TBytes Cat(std::initializer_list<TBytes> parts) {
  TBytes all;
  for (const TBytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

TBytes Zeros(size_t count) { return TBytes(count, 0); }

struct TGolden {
  std::string Name;
  const TWireProtocol* Protocol;
  TBytes Bytes;
  std::function<TBytes()> Encode;
  std::function<bool(std::span<const uint8_t>)> DecodesToIt;
  std::function<bool(std::span<const uint8_t>)> DecodesAtAll;
};

template <CWireMessage T>
TGolden Golden(std::string name, const T& message, TBytes bytes) {
  return {std::move(name), &T::Protocol, std::move(bytes), [message] { return Encode(message); },
          [message](std::span<const uint8_t> b) { return Decode<T>(b) == message; },
          [](std::span<const uint8_t> b) { return Decode<T>(b).has_value(); }};
}

const std::vector<TGolden>& Goldens() {
  static const std::vector<TGolden> goldens = {
      // [SECTION] Lobby, game to master server.
      Golden("login", TLobbyLogin{.PlayerName = "Zo\xEB"},
             Cat({{0x01, 0x00,                 // login; unused
                   0x03, 'Z', 'o', 0xEB},      // player name: 3 characters, "Zoe" with diaeresis in 8 bits
                  Zeros(12)})),                // the name's unused capacity
      Golden("say", TLobbySay{.Text = "Ann> hi"},
             Cat({{0x03, 0x00,                                // lobby chat; always 0
                   0x07, 'A', 'n', 'n', '>', ' ', 'h', 'i'},  // text: 7 characters
                  Zeros(248)})),                              // the text's unused capacity
      Golden("host game", TLobbyHostGame{.GameName = "Lava Pit", .MaxPlayers = 4},
             Cat({{0x04,                                          // host a game
                   0x08, 'L', 'a', 'v', 'a', ' ', 'P', 'i', 't'},  // game name: 8 characters
                  Zeros(22),                                      // the name's unused capacity
                  {0x04}})),                                      // maximum players 4
      Golden("join request", TLobbyJoinRequest{.GameId = 0x1234},
             {0x06, 0x00,     // join a game; unused
              0x34, 0x12}),   // game id 0x1234, low byte first
      Golden("game closed", TLobbyGameClosed{.HostName = "Host"},
             Cat({{0x09, 0x00,                // the host closed its room; unused
                   0x04, 'H', 'o', 's', 't'},  // host's name: 4 characters
                  Zeros(11)})),
      Golden("refresh", TLobbyRefresh{}, {0x0A}),  // a fresh game list, please
      Golden("game status", TLobbyGameStatus{.PlayerCount = 3, .Closed = 0},
             {0x0B,    // the hosted game's state
              0x03,    // 3 players in it
              0x00}),  // open
      Golden("pong", TLobbyPong{.Opaque = {0xDE, 0xAD, 0x01}},
             {0x0C,                 // answer to a ping
              0xDE, 0xAD, 0x01}),  // the ping's bytes, unchanged

      // [SECTION] Lobby, master server to game.
      Golden("player online", TLobbyPlayerOnline{.WireCode = 1, .Quiet = 0, .PlayerName = "Bob"},
             Cat({{0x01,                 // a player is online
                   0x00,                 // with a chat line
                   0x03, 'B', 'o', 'b'},  // name: 3 characters
                  Zeros(12)})),
      Golden("player online, code 9", TLobbyPlayerOnline{.WireCode = 9, .Quiet = 1, .PlayerName = "Eve"},
             Cat({{0x09,                 // a player is online, the other code
                   0x01,                 // quiet: no chat line
                   0x03, 'E', 'v', 'e'},  // name: 3 characters
                  Zeros(12)})),
      Golden("player gone", TLobbyPlayerGone{.WireCode = 2, .PlayerName = "Bob"},
             Cat({{0x02, 0x00,           // a player left; unused
                   0x03, 'B', 'o', 'b'},  // name: 3 characters
                  Zeros(12)})),
      Golden("player gone, code 8", TLobbyPlayerGone{.WireCode = 8, .PlayerName = "Eve"},
             Cat({{0x08, 0x00,           // a player left, the other code; unused
                   0x03, 'E', 'v', 'e'},  // name: 3 characters
                  Zeros(12)})),
      Golden("chat line", TLobbyChatLine{.Text = "Bob> yo"},
             Cat({{0x03, 0x00,                                // a lobby chat line; unused
                   0x07, 'B', 'o', 'b', '>', ' ', 'y', 'o'},  // text: 7 characters
                  Zeros(248)})),
      Golden("game entry",
             TLobbyGameEntry{.GameId = 0x0102, .GameName = "Pit", .PlayerCount = 2, .MaxPlayers = 8, .Ping = 300},
             Cat({{0x05, 0x00,            // a hosted game; unused
                   0x02, 0x01,            // game id 0x0102
                   0x03, 'P', 'i', 't'},  // game name: 3 characters
                  Zeros(27),              // the name's unused capacity
                  {0x02,                  // 2 players
                   0x08,                  // of 8 places
                   0x00,                  // unused
                   0x2C, 0x01},           // ping 300 ms
                  Zeros(40)})),           // unused to the end
      Golden("join answer", TLobbyJoinAnswer{.Seat = 3, .HostAddress = "10.0.0.7"},
             Cat({{0x07, 0x00,                                      // join the host; unused
                   0x03,                                            // provisional seat 3
                   0x00,                                            // unused
                   0x08, '1', '0', '.', '0', '.', '0', '.', '7'},  // host address: 8 characters
                  Zeros(7)})),
      Golden("list cleared", TLobbyListCleared{}, {0x0A}),  // the game list starts again
      Golden("ping", TLobbyPing{.Opaque = {0xDE, 0xAD, 0x01}},
             {0x0C,                 // ping
              0xDE, 0xAD, 0x01}),  // opaque bytes to send back

      // [SECTION] Game room, both ways.
      Golden("seat", TRoomSeat{.Seat = 2, .PlayerName = "Ann", .Red = 200, .Green = 50, .Blue = 64, .Ready = 1},
             Cat({{0x01,                 // a seat is filled
                   0x02,                 // seat 2
                   0x03, 'A', 'n', 'n'},  // name: 3 characters
                  Zeros(12),
                  {0xC8,                 // red 200
                   0x32,                 // green 50
                   0x40,                 // blue 64
                   0x01}})),             // ready
      Golden("seat freed", TRoomSeatFreed{.Seat = 1},
             {0x02,    // a seat is freed
              0x01}),  // seat 1: the host closed the room
      Golden("room chat", TRoomChat{.Text = "Ann> gl hf"},
             Cat({{0x03,                                                // room chat
                   0x0A, 'A', 'n', 'n', '>', ' ', 'g', 'l', ' ', 'h', 'f'},  // text: 10 characters
                  Zeros(118)})),
      Golden("ready", TRoomReady{.Seat = 3},
             {0x04,    // ready toggle
              0x03}),  // seat 3
      Golden("launch", TRoomLaunch{.LevelSeed = 4321},
             {0x05, 0x00,    // launch; unused
              0xE1, 0x10}),  // level seed 4321
      Golden("action", TAction{.Seat = 2, .Code = naWalkRight, .X = 300, .Y = 0xFFFF},
             {0x06, 0x02, 0x01, 0x00,  // action: seat 2, walk right; unused
              0x2C, 0x01,              // X 300
              0xFF, 0xFF}),            // Y -1 rounded, low 16 bits
      Golden("round ready", TRoomRoundReady{.Seat = 5},
             {0x07,    // ready to go on at the round scoreboard
              0x05}),  // seat 5
  };
  return goldens;
}

std::vector<TBytes> Frames(TStreamFramer& framer) {
  std::vector<TBytes> frames;
  while (const std::optional<TWireFrame> frame = framer.Next())
    frames.emplace_back(frame->Bytes().begin(), frame->Bytes().end());
  return frames;
}

TEST(Wire, EveryMessageBothWaysByteForByteAndNothingElseDecodes) {
  for (const TGolden& g : Goldens()) {
    SCOPED_TRACE(g.Name);
    const TWireMessage* message = g.Protocol->Find(g.Bytes.front());
    ASSERT_NE(message, nullptr);
    EXPECT_EQ(g.Bytes.size(), message->Length);
    EXPECT_EQ(g.Encode(), g.Bytes);
    EXPECT_TRUE(g.DecodesToIt(g.Bytes));

    TBytes bytes = g.Bytes;
    EXPECT_FALSE(g.DecodesAtAll(std::span(bytes).first(bytes.size() - 1))) << "one byte short";
    bytes.push_back(0);
    EXPECT_FALSE(g.DecodesAtAll(bytes)) << "one byte long";
    bytes.pop_back();
    for (const uint8_t foreign : {0x00, 0x0D, 0xFF}) {
      bytes[0] = foreign;
      EXPECT_FALSE(g.DecodesAtAll(bytes)) << "code " << int(foreign);
    }
    EXPECT_FALSE(g.DecodesAtAll({})) << "nothing";

    // Alone in a stream, the message comes out whole.
    TStreamFramer framer(*g.Protocol);
    framer.Append(g.Bytes.data(), g.Bytes.size());
    EXPECT_EQ(Frames(framer), std::vector<TBytes>{g.Bytes});
  }
}

TEST(Wire, ShortStringsAreCutToTheirFieldAndAnOverlongLengthNeverReadsPastIt) {
  // Encoders cut to the capacity; the next field is untouched.
  const TBytes seat = Encode(TRoomSeat{.Seat = 4, .PlayerName = "ABCDEFGHIJKLMNOPQRST", .Red = 0x77});
  ASSERT_EQ(seat.size(), 22u);
  EXPECT_EQ(seat[2], 15);
  EXPECT_EQ(std::string(seat.begin() + 3, seat.begin() + 18), "ABCDEFGHIJKLMNO");
  EXPECT_EQ(seat[18], 0x77);
  EXPECT_EQ(Decode<TLobbyHostGame>(Encode(TLobbyHostGame{.GameName = std::string(40, 'g')}))->GameName,
            std::string(30, 'g'));

  // A length byte beyond the capacity reads as the capacity: red stays red.
  for (const uint8_t length : {16, 0x80, 0xFF}) {
    TBytes bytes = seat;
    bytes[2] = length;
    const std::optional<TRoomSeat> read = Decode<TRoomSeat>(bytes);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->PlayerName, "ABCDEFGHIJKLMNO") << int(length);
    EXPECT_EQ(read->Red, 0x77);
  }
  TBytes entry = Encode(TLobbyGameEntry{.GameName = "x", .PlayerCount = 9});
  entry[4] = 0xFF;
  EXPECT_EQ(Decode<TLobbyGameEntry>(entry)->GameName.size(), 30u);
  EXPECT_EQ(Decode<TLobbyGameEntry>(entry)->PlayerCount, 9);
}

TEST(Wire, EveryByteValueTravelsInShortStrings) {
  std::string all;  // 0x01..0xFF: exactly a lobby chat line's capacity
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Decode<TLobbySay>(Encode(TLobbySay{.Text = all}))->Text, all);
  EXPECT_EQ(Decode<TLobbyChatLine>(Encode(TLobbyChatLine{.Text = all}))->Text, all);
  // Names of 15, 0x00 included: the length byte makes it part of the name.
  all.insert(all.begin(), '\0');
  for (size_t at = 0; at < all.size(); at += kNameCapacity) {
    const std::string name = all.substr(at, kNameCapacity);
    EXPECT_EQ(Decode<TRoomSeat>(Encode(TRoomSeat{.PlayerName = name}))->PlayerName, name) << at;
    EXPECT_EQ(Decode<TLobbyLogin>(Encode(TLobbyLogin{.PlayerName = name}))->PlayerName, name) << at;
  }
}

// All goldens of one protocol back to back.
TBytes StreamOf(const TWireProtocol& protocol, std::vector<TBytes>& messages) {
  TBytes stream;
  for (const TGolden& g : Goldens()) {
    if (g.Protocol != &protocol) continue;
    messages.push_back(g.Bytes);
    stream.insert(stream.end(), g.Bytes.begin(), g.Bytes.end());
  }
  return stream;
}

TEST(Wire, TheFramerGivesTheSameMessagesHoweverTheStreamIsCut) {
  std::mt19937 random(20240611);
  for (const TWireProtocol* protocol : {&kGameToMaster, &kMasterToGame, &kRoomProtocol}) {
    SCOPED_TRACE(protocol->Name);
    std::vector<TBytes> expected;
    const TBytes stream = StreamOf(*protocol, expected);
    // Each cut is a list of read sizes that add up to the stream.
    std::vector<std::vector<size_t>> cuts = {{stream.size()}, std::vector<size_t>(stream.size(), 1)};
    for (size_t at = 1; at < stream.size(); ++at) cuts.push_back({at, stream.size() - at});
    for (int run = 0; run < 200; ++run) {
      std::vector<size_t> reads;
      for (size_t left = stream.size(); left > 0;) {
        const size_t size = std::min<size_t>(left, std::uniform_int_distribution<size_t>(1, 600)(random));
        reads.push_back(size);
        left -= size;
      }
      cuts.push_back(reads);
    }
    for (const std::vector<size_t>& reads : cuts) {
      TStreamFramer framer(*protocol);
      std::vector<TBytes> got;
      size_t at = 0;
      for (const size_t size : reads) {
        framer.Append(stream.data() + at, size);
        at += size;
        for (TBytes& frame : Frames(framer)) got.push_back(std::move(frame));
        // Drained, the framer holds at most an incomplete tail.
        ASSERT_LT(framer.Buffered(), protocol->LongestMessage());
      }
      ASSERT_EQ(got, expected) << reads.size() << " reads";
      EXPECT_EQ(framer.Buffered(), 0u);
      EXPECT_EQ(framer.Discarded(), 0u);
    }
  }
}

TEST(Wire, AnUnknownCodeDiscardsTheRestAndANestedReadLosesNothing) {
  const TBytes a = Encode(TRoomReady{.Seat = 2});
  const TBytes b = Encode(TAction{.Seat = 2, .Code = naSync, .X = 10, .Y = 20});
  const TBytes c = Encode(TRoomSeatFreed{.Seat = 3});

  // A known message, then a code the room does not know: the rest of that read is gone,
  // the next read is framed afresh.
  TStreamFramer framer(kRoomProtocol);
  const TBytes read = Cat({a, {0x08, 0x01, 0x02}, b});
  framer.Append(read.data(), read.size());
  EXPECT_EQ(Frames(framer), std::vector<TBytes>{a});
  EXPECT_EQ(framer.Buffered(), 0u);
  EXPECT_EQ(framer.Discarded(), 3 + b.size());
  framer.Append(c.data(), c.size());
  EXPECT_EQ(Frames(framer), std::vector<TBytes>{c});

  // The outer run takes a; while it handles a, a nested run appends and takes b and c; the
  // outer run then finds nothing left and nothing out of order.
  TStreamFramer nested(kRoomProtocol);
  const TBytes first = Cat({a, TBytes(b.begin(), b.begin() + 5)});
  nested.Append(first.data(), first.size());
  const std::optional<TWireFrame> outer = nested.Next();
  ASSERT_TRUE(outer);
  const TBytes second = Cat({TBytes(b.begin() + 5, b.end()), c});
  nested.Append(second.data(), second.size());
  EXPECT_EQ(Frames(nested), (std::vector<TBytes>{b, c}));
  EXPECT_EQ(TBytes(outer->Bytes().begin(), outer->Bytes().end()), a);
  EXPECT_FALSE(nested.Next());
}

}  // namespace
}  // namespace lr
