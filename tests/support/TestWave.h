// Writes small wave files for the sound tests: 16-bit mono PCM of a given length, and a
// scratch folder that removes itself.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lr::test_support {

// A 16-bit mono wave of `milliseconds` at `rate` Hz: a quiet 440 Hz tone.
inline std::vector<uint8_t> MakeWave(int milliseconds, int rate = 22050) {
  const uint32_t samples = static_cast<uint32_t>(int64_t(rate) * milliseconds / 1000);
  const uint32_t dataBytes = samples * 2;
  std::vector<uint8_t> b;
  b.reserve(44 + dataBytes);
  auto tag = [&](const char* t) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(t[i]));
  };
  auto u16 = [&](uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
  };
  auto u32 = [&](uint32_t v) {
    u16(v & 0xFFFF);
    u16(v >> 16);
  };
  tag("RIFF");
  u32(36 + dataBytes);
  tag("WAVE");
  tag("fmt ");
  u32(16);
  u16(1);  // PCM
  u16(1);  // mono
  u32(uint32_t(rate));
  u32(uint32_t(rate) * 2);  // bytes per second
  u16(2);                   // block align
  u16(16);                  // bits per sample
  tag("data");
  u32(dataBytes);
  for (uint32_t i = 0; i < samples; ++i)
    u16(uint16_t(int16_t(std::lround(3000.0 * std::sin(2.0 * M_PI * 440.0 * i / rate)))));
  return b;
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class ScratchDir {
 public:
  explicit ScratchDir(const std::string& name)
      : Path(std::filesystem::temp_directory_path() / (name + "_" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(Path);
    std::filesystem::create_directories(Path);
  }
  ~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path Path;
};

}  // namespace lr::test_support
