// TStreamFramer: cuts one connection's byte stream into whole messages by their codes'
// fixed lengths, whatever sizes the reads come in.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "net/WireTable.h"

namespace lr {

// One whole message, copied out of the stream: it stays valid whatever the stream is given
// or asked for next.
struct TWireFrame {
  std::array<uint8_t, kLongestWireMessage> Storage{};
  uint16_t Length = 0;

  uint8_t Code() const { return Storage[0]; }
  std::span<const uint8_t> Bytes() const { return {Storage.data(), Length}; }
};

// Per connection and protocol. Append what a read returned, then take messages with Next
// until it gives nothing. Taking a message, appending more (a nested run of the receive
// routine while that message is handled) and taking more loses nothing and keeps the order.
//
// Once Next has given nothing, the buffer holds at most an incomplete tail, shorter than
// the protocol's longest message; Append adds one read to it.
class TStreamFramer {
 public:
  explicit TStreamFramer(const TWireProtocol& protocol) : Protocol(&protocol) {}

  void Append(const uint8_t* data, size_t size);
  // The next whole message. Nothing while the buffered bytes do not complete one (they are
  // kept for the next read), or when the next code is not in the protocol: a code that is
  // not known consumes nothing, and the rest of the buffer is discarded.
  std::optional<TWireFrame> Next();

  size_t Buffered() const { return Buffer.size() - Taken; }
  // The code of the next unread byte, without taking it; nothing when nothing is buffered.
  std::optional<uint8_t> PeekCode() const {
    if (Taken >= Buffer.size()) return std::nullopt;
    return Buffer[Taken];
  }
  // Bytes thrown away behind unknown codes since the framer was made.
  uint64_t Discarded() const { return DiscardedBytes; }

 private:
  const TWireProtocol* Protocol;
  std::vector<uint8_t> Buffer;
  size_t Taken = 0;  // the bytes before this have been handed out
  uint64_t DiscardedBytes = 0;
};

}  // namespace lr
