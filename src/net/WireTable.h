// Every network message as data: one table per protocol and direction giving each code its
// fixed length and the offset and size of each field. Framing, encoding and decoding walk
// these tables and nothing else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace lr {

// How a field's bytes read. Bytes of a message that no field covers carry no meaning and are
// sent as zero; the code byte at offset 0 is no field.
enum class TWireKind : uint8_t {
  Byte,   // one byte
  Word,   // uint16, little-endian
  Text,   // short string: a length byte, then Size - 1 character bytes (the capacity)
  Bytes,  // Size opaque bytes, passed on unchanged
};

struct TWireField {
  std::string_view Name;
  TWireKind Kind;
  uint16_t Offset;
  uint16_t Size;
};

struct TWireMessage {
  uint8_t Code;
  uint16_t Length;  // the whole message, code byte included
  std::string_view Name;
  std::span<const TWireField> Fields;
};

struct TWireProtocol {
  std::string_view Name;
  std::span<const TWireMessage> Messages;

  // The message a code stands for, or nullptr for a code this protocol does not know.
  constexpr const TWireMessage* Find(uint8_t code) const {
    for (const TWireMessage& message : Messages)
      if (message.Code == code) return &message;
    return nullptr;
  }
  constexpr uint16_t LongestMessage() const {
    uint16_t longest = 0;
    for (const TWireMessage& message : Messages) longest = message.Length > longest ? message.Length : longest;
    return longest;
  }
};

// Short-string capacities: player names, game names, room chat, lobby chat.
constexpr uint16_t kNameCapacity = 15;
constexpr uint16_t kGameNameCapacity = 30;
constexpr uint16_t kRoomChatCapacity = 128;
constexpr uint16_t kLobbyChatCapacity = 255;
// The longest message of every protocol: a lobby chat line.
constexpr uint16_t kLongestWireMessage = 2 + 1 + kLobbyChatCapacity;

namespace wire_layout {

using K = TWireKind;

// [SECTION] Lobby, game to master server.
inline constexpr TWireField kLogin[] = {{"PlayerName", K::Text, 2, 1 + kNameCapacity}};
inline constexpr TWireField kSay[] = {{"Text", K::Text, 2, 1 + kLobbyChatCapacity}};
inline constexpr TWireField kHostGame[] = {{"GameName", K::Text, 1, 1 + kGameNameCapacity},
                                           {"MaxPlayers", K::Byte, 32, 1}};
inline constexpr TWireField kJoinRequest[] = {{"GameId", K::Word, 2, 2}};
inline constexpr TWireField kGameClosed[] = {{"HostName", K::Text, 2, 1 + kNameCapacity}};
inline constexpr TWireField kGameStatus[] = {{"PlayerCount", K::Byte, 1, 1}, {"Closed", K::Byte, 2, 1}};
inline constexpr TWireField kPong[] = {{"Opaque", K::Bytes, 1, 3}};

// [SECTION] Lobby, master server to game.
inline constexpr TWireField kPlayerOnline[] = {{"Quiet", K::Byte, 1, 1},
                                               {"PlayerName", K::Text, 2, 1 + kNameCapacity}};
inline constexpr TWireField kPlayerGone[] = {{"PlayerName", K::Text, 2, 1 + kNameCapacity}};
inline constexpr TWireField kChatLine[] = {{"Text", K::Text, 2, 1 + kLobbyChatCapacity}};
inline constexpr TWireField kGameEntry[] = {{"GameId", K::Word, 2, 2},
                                            {"GameName", K::Text, 4, 1 + kGameNameCapacity},
                                            {"PlayerCount", K::Byte, 35, 1},
                                            {"MaxPlayers", K::Byte, 36, 1},
                                            {"Ping", K::Word, 38, 2}};
inline constexpr TWireField kJoinAnswer[] = {{"Seat", K::Byte, 2, 1},
                                             {"HostAddress", K::Text, 4, 1 + kNameCapacity}};
inline constexpr TWireField kPing[] = {{"Opaque", K::Bytes, 1, 3}};

// [SECTION] Game room, both ways.
inline constexpr TWireField kRoomSeat[] = {{"Seat", K::Byte, 1, 1},  {"PlayerName", K::Text, 2, 1 + kNameCapacity},
                                           {"Red", K::Byte, 18, 1},  {"Green", K::Byte, 19, 1},
                                           {"Blue", K::Byte, 20, 1}, {"Ready", K::Byte, 21, 1}};
inline constexpr TWireField kRoomSeatOnly[] = {{"Seat", K::Byte, 1, 1}};
inline constexpr TWireField kRoomChat[] = {{"Text", K::Text, 1, 1 + kRoomChatCapacity}};
inline constexpr TWireField kRoomLaunch[] = {{"LevelSeed", K::Word, 2, 2}};
inline constexpr TWireField kAction[] = {
    {"Seat", K::Byte, 1, 1}, {"Code", K::Byte, 2, 1}, {"X", K::Word, 4, 2}, {"Y", K::Word, 6, 2}};

}  // namespace wire_layout

// Code, length, name, fields.
inline constexpr TWireMessage kGameToMasterMessages[] = {
    {1, 18, "Login", wire_layout::kLogin},
    {3, 258, "Say", wire_layout::kSay},
    {4, 33, "HostGame", wire_layout::kHostGame},
    {6, 4, "JoinRequest", wire_layout::kJoinRequest},
    {9, 18, "GameClosed", wire_layout::kGameClosed},
    {10, 1, "Refresh", {}},
    {11, 3, "GameStatus", wire_layout::kGameStatus},
    {12, 4, "Pong", wire_layout::kPong},
};

// Codes 1 and 9, and 2 and 8, are alike: two codes of one message each.
inline constexpr TWireMessage kMasterToGameMessages[] = {
    {1, 18, "PlayerOnline", wire_layout::kPlayerOnline},
    {2, 18, "PlayerGone", wire_layout::kPlayerGone},
    {3, 258, "ChatLine", wire_layout::kChatLine},
    {5, 80, "GameEntry", wire_layout::kGameEntry},
    {7, 20, "JoinAnswer", wire_layout::kJoinAnswer},
    {8, 18, "PlayerGone", wire_layout::kPlayerGone},
    {9, 18, "PlayerOnline", wire_layout::kPlayerOnline},
    {10, 1, "ListCleared", {}},
    {12, 4, "Ping", wire_layout::kPing},
};

inline constexpr TWireMessage kRoomMessages[] = {
    {1, 22, "Seat", wire_layout::kRoomSeat},
    {2, 2, "SeatFreed", wire_layout::kRoomSeatOnly},
    {3, 130, "Chat", wire_layout::kRoomChat},
    {4, 2, "ReadyToggle", wire_layout::kRoomSeatOnly},
    {5, 4, "Launch", wire_layout::kRoomLaunch},
    {6, 8, "Action", wire_layout::kAction},
    {7, 2, "RoundReady", wire_layout::kRoomSeatOnly},
};

inline constexpr TWireProtocol kGameToMaster{"lobby, game to master server", kGameToMasterMessages};
inline constexpr TWireProtocol kMasterToGame{"lobby, master server to game", kMasterToGameMessages};
inline constexpr TWireProtocol kRoomProtocol{"game room", kRoomMessages};

// Each code once; every field lies inside its message, after the code byte, and no two
// overlap: a wrong code or offset in the table fails the build.
constexpr bool LayoutIsSound(const TWireProtocol& protocol) {
  for (const TWireMessage& message : protocol.Messages) {
    size_t sameCode = 0;
    for (const TWireMessage& other : protocol.Messages) sameCode += other.Code == message.Code ? 1 : 0;
    if (sameCode != 1) return false;
    if (message.Length == 0 || message.Length > kLongestWireMessage) return false;
    std::array<bool, kLongestWireMessage> taken{};
    taken[0] = true;
    for (const TWireField& field : message.Fields) {
      if (field.Size == 0 || field.Offset + field.Size > message.Length) return false;
      if ((field.Kind == TWireKind::Byte && field.Size != 1) || (field.Kind == TWireKind::Word && field.Size != 2))
        return false;
      for (uint16_t at = field.Offset; at < field.Offset + field.Size; ++at) {
        if (taken[at]) return false;
        taken[at] = true;
      }
    }
  }
  return true;
}
static_assert(LayoutIsSound(kGameToMaster) && LayoutIsSound(kMasterToGame) && LayoutIsSound(kRoomProtocol));
static_assert(kGameToMaster.LongestMessage() == kLongestWireMessage);

}  // namespace lr
