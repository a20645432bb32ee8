// Writing a 32-bit ARGB frame as a PNG file (screenshots).
#pragma once

#include <cstdint>
#include <string>

namespace lr {

// Returns false with a message in error when the file cannot be written.
bool WritePng(const std::string& path, const uint32_t* argb, int width, int height, std::string& error);

}  // namespace lr
