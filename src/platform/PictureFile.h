// Reading the game's pictures: device-independent bitmaps (8-bit palette, 24- and 32-bit)
// and PNG files, decoded to 32-bit ARGB.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace lr {

// A decoded picture: 32-bit ARGB pixels, row by row from the top, and the bit depth it was
// stored with. Bitmaps carry no transparency: every pixel is opaque.
struct TPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitsPerPixel = 0;  // 0 = no graphic
  std::vector<uint32_t> Pixels;
  bool Empty() const { return Width <= 0 || Height <= 0; }
};

// Decodes a BMP or PNG held in memory (told apart by their signatures). Returns false with a
// reason in error for anything it cannot read; never reads past the data.
bool DecodePicture(const std::vector<uint8_t>& data, TPicture& picture, std::string& error);
bool LoadPictureFile(const std::string& path, TPicture& picture, std::string& error);

}  // namespace lr
