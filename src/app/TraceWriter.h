// The headless runner's trace: one JSON object per frame (JSON Lines), written after the
// frame ran, with the game state that tests and replays compare.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

namespace lr {

class TGForm;
class TOnline;

// The trace's view of the online windows, kept from frame to frame: how many chat lines it
// has written already.
struct TNetTrace {
  TOnline* Online = nullptr;
  uint64_t LobbyChatSeen = 0;
  uint64_t RoomChatSeen = 0;
};

// A float as the shortest decimal that reads back to the same float.
nlohmann::ordered_json FloatValue(float value);

// With `net`, from the frame the lobby first opens, the record has a "net" object: the lobby
// as shown, the chat lines added since the previous frame, the master client's state and the
// game room.
nlohmann::ordered_json FrameRecord(TGForm& form, int64_t frame, TNetTrace* net = nullptr);

class TTraceWriter {
 public:
  ~TTraceWriter();
  bool Open(const std::string& path, std::string& error);
  void Write(const nlohmann::ordered_json& record);
  bool Close(std::string& error);

 private:
  std::FILE* File = nullptr;
  std::string Path;
};

}  // namespace lr
