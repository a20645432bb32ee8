// Writers for the picture files the game loads: Windows bitmaps (8-bit palettized, 24-bit and
// 32-bit, BITMAPINFOHEADER, rows bottom-up) and 8-bit palette PNGs, and the RGBA PNG of the
// desktop icon. All are written by hand, the PNGs with uncompressed deflate blocks, so the
// bytes depend on nothing but the pixels.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "Canvas.h"

namespace assets {

using Palette = std::vector<std::array<uint8_t, 3>>;

// An 8-bit indexed picture.
struct IndexedImage {
  int width = 0, height = 0;
  std::vector<uint8_t> index;  // top row first
  Palette palette;             // at most 256 entries
};

std::vector<uint8_t> EncodeBmp24(const Image& img);
// 32-bit bitmap; the fourth byte of every pixel is 255 (opaque): the sheets are keyed by colour.
std::vector<uint8_t> EncodeBmp32(const Image& img);
std::vector<uint8_t> EncodeBmp8(const IndexedImage& img);
std::vector<uint8_t> EncodePngIndexed(const IndexedImage& img);
// 8-bit RGBA PNG of a canvas, straight alpha (the desktop icon).
std::vector<uint8_t> EncodePngRgba(const Canvas& c);

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc = 0);
uint32_t Adler32(const uint8_t* data, size_t n);

// Writes bytes to a file; throws std::runtime_error on failure.
void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace assets
