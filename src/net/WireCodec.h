// Every network message as a struct with named fields, and the one encoder and decoder that
// walk the wire tables to turn them into bytes and back.
//
// Names and texts are raw 8-bit (Windows-1252) bytes here, exactly as they travel; turning
// them into UTF-8 is for whoever draws, shows or traces them.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "net/WireTable.h"

namespace lr {

// [SECTION] Messages.
// Each struct names its protocol and code; Fields() ties its members in the order of the
// table's fields, and a mismatch of count, kind or size fails the build (end of this file).
// A message with two codes of one meaning keeps the code it came with in WireCode.

#define LR_WIRE_MESSAGE(Type, protocol, ...)                            \
  static constexpr const TWireProtocol& Protocol = protocol;           \
  static constexpr auto Codes = std::to_array<uint8_t>({__VA_ARGS__}); \
  bool operator==(const Type&) const = default

// Lobby, game to master server.
struct TLobbyLogin {  // as soon as the connection is made
  LR_WIRE_MESSAGE(TLobbyLogin, kGameToMaster, 1);
  std::string PlayerName;
  auto Fields() { return std::tie(PlayerName); }
};
struct TLobbySay {  // a lobby chat line
  LR_WIRE_MESSAGE(TLobbySay, kGameToMaster, 3);
  std::string Text;
  auto Fields() { return std::tie(Text); }
};
struct TLobbyHostGame {
  LR_WIRE_MESSAGE(TLobbyHostGame, kGameToMaster, 4);
  std::string GameName;
  uint8_t MaxPlayers = 0;
  auto Fields() { return std::tie(GameName, MaxPlayers); }
};
struct TLobbyJoinRequest {
  LR_WIRE_MESSAGE(TLobbyJoinRequest, kGameToMaster, 6);
  uint16_t GameId = 0;
  auto Fields() { return std::tie(GameId); }
};
struct TLobbyGameClosed {  // the host closed its room
  LR_WIRE_MESSAGE(TLobbyGameClosed, kGameToMaster, 9);
  std::string HostName;
  auto Fields() { return std::tie(HostName); }
};
struct TLobbyRefresh {
  LR_WIRE_MESSAGE(TLobbyRefresh, kGameToMaster, 10);
  auto Fields() { return std::tie(); }
};
struct TLobbyGameStatus {  // at launch and whenever a player leaves the room
  LR_WIRE_MESSAGE(TLobbyGameStatus, kGameToMaster, 11);
  uint8_t PlayerCount = 0;
  uint8_t Closed = 0;
  auto Fields() { return std::tie(PlayerCount, Closed); }
};
struct TLobbyPong {  // the ping's bytes sent back unchanged
  LR_WIRE_MESSAGE(TLobbyPong, kGameToMaster, 12);
  std::array<uint8_t, 3> Opaque{};
  auto Fields() { return std::tie(Opaque); }
};

// Lobby, master server to game.
struct TLobbyPlayerOnline {
  LR_WIRE_MESSAGE(TLobbyPlayerOnline, kMasterToGame, 1, 9);
  uint8_t WireCode = 1;
  uint8_t Quiet = 0;  // 1: no chat line
  std::string PlayerName;
  auto Fields() { return std::tie(Quiet, PlayerName); }
};
struct TLobbyPlayerGone {
  LR_WIRE_MESSAGE(TLobbyPlayerGone, kMasterToGame, 2, 8);
  uint8_t WireCode = 2;
  std::string PlayerName;
  auto Fields() { return std::tie(PlayerName); }
};
struct TLobbyChatLine {
  LR_WIRE_MESSAGE(TLobbyChatLine, kMasterToGame, 3);
  std::string Text;
  auto Fields() { return std::tie(Text); }
};
struct TLobbyGameEntry {  // one hosted game of the list
  LR_WIRE_MESSAGE(TLobbyGameEntry, kMasterToGame, 5);
  uint16_t GameId = 0;
  std::string GameName;
  uint8_t PlayerCount = 0;
  uint8_t MaxPlayers = 0;
  uint16_t Ping = 0;  // milliseconds
  auto Fields() { return std::tie(GameId, GameName, PlayerCount, MaxPlayers, Ping); }
};
struct TLobbyJoinAnswer {
  LR_WIRE_MESSAGE(TLobbyJoinAnswer, kMasterToGame, 7);
  uint8_t Seat = 0;         // provisional: the host gives the final one
  std::string HostAddress;  // dotted IPv4
  auto Fields() { return std::tie(Seat, HostAddress); }
};
struct TLobbyListCleared {
  LR_WIRE_MESSAGE(TLobbyListCleared, kMasterToGame, 10);
  auto Fields() { return std::tie(); }
};
struct TLobbyPing {
  LR_WIRE_MESSAGE(TLobbyPing, kMasterToGame, 12);
  std::array<uint8_t, 3> Opaque{};
  auto Fields() { return std::tie(Opaque); }
};

// Game room, both ways.
struct TRoomSeat {  // a client arriving (seat unused), or the host filling a seat
  LR_WIRE_MESSAGE(TRoomSeat, kRoomProtocol, 1);
  uint8_t Seat = 0;
  std::string PlayerName;
  uint8_t Red = 0, Green = 0, Blue = 0;  // low bytes of the colour components
  uint8_t Ready = 0;
  auto Fields() { return std::tie(Seat, PlayerName, Red, Green, Blue, Ready); }
};
struct TRoomSeatFreed {  // seat 1: the host closed the room
  LR_WIRE_MESSAGE(TRoomSeatFreed, kRoomProtocol, 2);
  uint8_t Seat = 0;
  auto Fields() { return std::tie(Seat); }
};
struct TRoomChat {
  LR_WIRE_MESSAGE(TRoomChat, kRoomProtocol, 3);
  std::string Text;
  auto Fields() { return std::tie(Text); }
};
struct TRoomReady {  // toggles the seat's ready flag
  LR_WIRE_MESSAGE(TRoomReady, kRoomProtocol, 4);
  uint8_t Seat = 0;
  auto Fields() { return std::tie(Seat); }
};
struct TRoomLaunch {
  LR_WIRE_MESSAGE(TRoomLaunch, kRoomProtocol, 5);
  uint16_t LevelSeed = 0;
  auto Fields() { return std::tie(LevelSeed); }
};

// The in-game action codes; 0, 9 and 10 are never sent and read like naStop.
enum TNetAction : uint8_t {
  naWalkRight = 1, naWalkLeft = 2, naJumpLeft = 3, naJump = 4, naJumpRight = 5,
  naDuckLeft = 6, naDuckRight = 7, naDuck = 8, naClimbUp = 11, naClimbDown = 12,
  naStop = 13, naSync = 14,
};

struct TAction {  // a movement that starts, or the 1.5-second position sync
  LR_WIRE_MESSAGE(TAction, kRoomProtocol, 6);
  uint8_t Seat = 0;
  uint8_t Code = 0;  // TNetAction
  uint16_t X = 0;    // the position rounded, low 16 bits
  uint16_t Y = 0;
  auto Fields() { return std::tie(Seat, Code, X, Y); }
};

// A player wants to go on at the round scoreboard: each machine's match drops, at the next
// round start, the players who did not, so all of them must learn it.
struct TRoomRoundReady {
  LR_WIRE_MESSAGE(TRoomRoundReady, kRoomProtocol, 7);
  uint8_t Seat = 0;
  auto Fields() { return std::tie(Seat); }
};

#undef LR_WIRE_MESSAGE

// [SECTION] Field access, bounds-checked: a field that does not lie inside `bytes` reads as
// nothing and writes nothing.

namespace wire_detail {
bool Put(std::span<uint8_t> bytes, const TWireField& field, uint8_t value);
bool Put(std::span<uint8_t> bytes, const TWireField& field, uint16_t value);
// A short string: cut to the capacity.
bool Put(std::span<uint8_t> bytes, const TWireField& field, const std::string& value);
bool Put(std::span<uint8_t> bytes, const TWireField& field, const std::array<uint8_t, 3>& value);
bool Get(std::span<const uint8_t> bytes, const TWireField& field, uint8_t& value);
bool Get(std::span<const uint8_t> bytes, const TWireField& field, uint16_t& value);
// A short string: a length byte above the capacity reads as the capacity.
bool Get(std::span<const uint8_t> bytes, const TWireField& field, std::string& value);
bool Get(std::span<const uint8_t> bytes, const TWireField& field, std::array<uint8_t, 3>& value);

template <class V>
constexpr bool Fits(const TWireField& field) {
  if constexpr (std::is_same_v<V, uint8_t>) return field.Kind == TWireKind::Byte;
  else if constexpr (std::is_same_v<V, uint16_t>) return field.Kind == TWireKind::Word;
  else if constexpr (std::is_same_v<V, std::string>) return field.Kind == TWireKind::Text && field.Size >= 1;
  else return field.Kind == TWireKind::Bytes && field.Size == std::tuple_size_v<V>;
}

template <class T>
using TFieldsOf = decltype(std::declval<T&>().Fields());

template <class T, size_t... I>
constexpr bool FieldsFit(const TWireMessage& spec, std::index_sequence<I...>) {
  return spec.Fields.size() == sizeof...(I) &&
         (Fits<std::remove_cvref_t<std::tuple_element_t<I, TFieldsOf<T>>>>(spec.Fields[I]) && ...);
}

// Every code of the struct is in its protocol, with the struct's fields in the table's order.
// (Walks the table rather than comparing pointers: GCC's undefined-behaviour sanitizer makes
// pointer comparisons non-constant.)
template <class T>
constexpr bool MatchesTable() {
  for (const uint8_t code : T::Codes) {
    bool found = false;
    for (const TWireMessage& spec : T::Protocol.Messages) {
      if (spec.Code != code) continue;
      if (!FieldsFit<T>(spec, std::make_index_sequence<std::tuple_size_v<TFieldsOf<T>>>{})) return false;
      found = true;
    }
    if (!found) return false;
  }
  return true;
}
}  // namespace wire_detail

template <class T>
concept CWireMessage = requires(T& message) {
  T::Protocol;
  T::Codes;
  message.Fields();
};

// The code a message goes out with: its WireCode when it has one of its own codes there,
// else its first code.
template <CWireMessage T>
uint8_t WireCodeOf(const T& message) {
  if constexpr (requires { message.WireCode; }) {
    if (std::find(T::Codes.begin(), T::Codes.end(), message.WireCode) != T::Codes.end()) return message.WireCode;
  }
  return T::Codes[0];
}

// [SECTION] Encoding and decoding.

// The whole message, of its code's fixed length; bytes no field covers are zero.
template <CWireMessage T>
std::vector<uint8_t> Encode(const T& message) {
  const uint8_t code = WireCodeOf(message);
  const TWireMessage& spec = *T::Protocol.Find(code);
  std::vector<uint8_t> bytes(spec.Length, 0);
  bytes[0] = code;
  // Fields() only ties the members; nothing is written through it here.
  std::apply([&](const auto&... value) {
    [[maybe_unused]] size_t i = 0;
    (wire_detail::Put(bytes, spec.Fields[i++], value), ...);
  }, const_cast<T&>(message).Fields());
  return bytes;
}

// The message of type T when `bytes` are exactly one message of one of T's codes; nothing for
// a code of another message or of no message, or for a length other than the code's.
template <CWireMessage T>
std::optional<T> Decode(std::span<const uint8_t> bytes) {
  if (bytes.empty()) return std::nullopt;
  const uint8_t code = bytes[0];
  if (std::find(T::Codes.begin(), T::Codes.end(), code) == T::Codes.end()) return std::nullopt;
  const TWireMessage& spec = *T::Protocol.Find(code);
  if (bytes.size() != spec.Length) return std::nullopt;
  T message;
  if constexpr (requires { message.WireCode; }) message.WireCode = code;
  const bool whole = std::apply([&](auto&... value) {
    [[maybe_unused]] size_t i = 0;
    return (wire_detail::Get(bytes, spec.Fields[i++], value) && ...);
  }, message.Fields());
  if (!whole) return std::nullopt;
  return message;
}

static_assert(wire_detail::MatchesTable<TLobbyLogin>() && wire_detail::MatchesTable<TLobbySay>() &&
              wire_detail::MatchesTable<TLobbyHostGame>() && wire_detail::MatchesTable<TLobbyJoinRequest>() &&
              wire_detail::MatchesTable<TLobbyGameClosed>() && wire_detail::MatchesTable<TLobbyRefresh>() &&
              wire_detail::MatchesTable<TLobbyGameStatus>() && wire_detail::MatchesTable<TLobbyPong>());
static_assert(wire_detail::MatchesTable<TLobbyPlayerOnline>() && wire_detail::MatchesTable<TLobbyPlayerGone>() &&
              wire_detail::MatchesTable<TLobbyChatLine>() && wire_detail::MatchesTable<TLobbyGameEntry>() &&
              wire_detail::MatchesTable<TLobbyJoinAnswer>() && wire_detail::MatchesTable<TLobbyListCleared>() &&
              wire_detail::MatchesTable<TLobbyPing>());
static_assert(wire_detail::MatchesTable<TRoomSeat>() && wire_detail::MatchesTable<TRoomSeatFreed>() &&
              wire_detail::MatchesTable<TRoomChat>() && wire_detail::MatchesTable<TRoomReady>() &&
              wire_detail::MatchesTable<TRoomLaunch>() && wire_detail::MatchesTable<TAction>() &&
              wire_detail::MatchesTable<TRoomRoundReady>());

}  // namespace lr
