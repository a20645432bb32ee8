// Framing by lookup: the code byte gives the length, and a message leaves the buffer only
// when it is whole.
#include "net/WireFramer.h"

#include <algorithm>

namespace lr {

void TStreamFramer::Append(const uint8_t* data, size_t size) {
  // Handed-out bytes go first, so the buffer is the unread rest plus this read.
  Buffer.erase(Buffer.begin(), Buffer.begin() + static_cast<std::ptrdiff_t>(Taken));
  Taken = 0;
  if (size > 0) Buffer.insert(Buffer.end(), data, data + size);
}

std::optional<TWireFrame> TStreamFramer::Next() {
  const size_t available = Buffer.size() - Taken;
  if (available == 0) {
    Buffer.clear();
    Taken = 0;
    return std::nullopt;
  }
  const TWireMessage* message = Protocol->Find(Buffer[Taken]);
  if (!message) {
    DiscardedBytes += available;
    Buffer.clear();
    Taken = 0;
    return std::nullopt;
  }
  if (available < message->Length) return std::nullopt;
  TWireFrame frame;
  frame.Length = message->Length;
  std::copy_n(Buffer.begin() + static_cast<std::ptrdiff_t>(Taken), message->Length, frame.Storage.begin());
  Taken += message->Length;
  if (Taken == Buffer.size()) {
    Buffer.clear();
    Taken = 0;
  }
  return frame;
}

}  // namespace lr
