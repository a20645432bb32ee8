// The fuzz targets' common parts: the fuzzer's bytes read as a script of steps, the check
// that stops a run on a broken invariant, and whole games and servers on the in-memory socket
// layer, whose peers the script plays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "net/MemorySockets.h"
#include "net/WireFramer.h"

// A broken invariant ends the run as a crash would, so the fuzzer keeps the input.
#define LR_FUZZ_CHECK(cond)                                                                 \
  do {                                                                                      \
    if (!(cond)) {                                                                          \
      std::fprintf(stderr, "fuzz invariant broken: %s (%s:%d)\n", #cond, __FILE__, __LINE__); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (0)

namespace lr::fuzz {

// The input, read front to back; past its end every read gives zeros or nothing.
class TFuzzBytes {
 public:
  TFuzzBytes(const uint8_t* data, size_t size) : Data(data), Size(size) {}
  bool Empty() const { return At >= Size; }
  uint8_t Byte() { return At < Size ? Data[At++] : 0; }
  uint16_t Word() {
    const uint16_t low = Byte();
    return static_cast<uint16_t>(low | (Byte() << 8));
  }
  // The next `n` bytes, fewer at the end.
  std::string Take(size_t n) {
    const size_t count = n < Size - At ? n : Size - At;
    std::string out(reinterpret_cast<const char*>(Data + At), count);
    At += count;
    return out;
  }
  // A piece of the stream for one read: a length byte (0 stands for 256), then the bytes.
  std::string Piece() {
    const size_t length = Byte();
    return Take(length == 0 ? 256 : length);
  }

 private:
  const uint8_t* Data;
  size_t Size;
  size_t At = 0;
};

// The port the games' master server connections go to in every target.
constexpr uint16_t kMasterPort = 8888;

// What the code under test sent on each connection, checked as it is taken: whole messages of
// `protocol` only (a send never truncates one), for as long as the connection has not
// overflowed its send queue (the bytes after that are dropped by design).
class TSentChecker {
 public:
  explicit TSentChecker(const TWireProtocol& protocol) : Protocol(&protocol) {}

  // Takes what each connection sent and checks it, but for the connections marked stalled
  // (their peers do not read).
  void TakeAll(TMemoryNet& net, const std::map<int, bool>& stalled = {}) {
    for (const auto& connection : net.Connections) {
      if (const auto it = stalled.find(connection->Number); it != stalled.end() && it->second) continue;
      const std::string sent = net.TakeSent(*connection);
      if (connection->Lost) {
        Framers.erase(connection->Number);
        continue;
      }
      if (sent.empty()) continue;
      // A game's connection to the master server speaks the lobby's protocol whatever else runs.
      const TWireProtocol& protocol = connection->TargetPort == kMasterPort ? kGameToMaster : *Protocol;
      TStreamFramer& framer = Framers.try_emplace(connection->Number, protocol).first->second;
      framer.Append(reinterpret_cast<const uint8_t*>(sent.data()), sent.size());
      while (framer.Next()) ++Messages;
      LR_FUZZ_CHECK(framer.Discarded() == 0);
      // Every send is whole: nothing is left half-sent between two steps.
      LR_FUZZ_CHECK(framer.Buffered() == 0);
    }
  }
  uint64_t Messages = 0;

 private:
  const TWireProtocol* Protocol;
  std::map<int, TStreamFramer> Framers;
};

}  // namespace lr::fuzz
