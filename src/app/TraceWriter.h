// The headless runner's trace: one JSON object per frame (JSON Lines), written after the
// frame ran, with the game state that tests and replays compare.
#pragma once

#include <cstdio>
#include <string>

#include <nlohmann/json.hpp>

namespace lr {

class TGForm;

// A float as the shortest decimal that reads back to the same float.
nlohmann::ordered_json FloatValue(float value);

nlohmann::ordered_json FrameRecord(TGForm& form, int64_t frame);

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
