// BMP and PNG decoding with every size checked against the data actually present.
#include "platform/PictureFile.h"

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace lr {

namespace {

// Pictures larger than this are refused rather than allocated.
constexpr int64_t kMaxPixels = 16 * 1024 * 1024;

uint32_t Le32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

bool DecodeBmp(const std::vector<uint8_t>& data, TPicture& picture, std::string& error) {
  if (data.size() < 54) return error = "bitmap too short", false;
  const uint32_t pixelOffset = Le32(&data[10]);
  const uint32_t headerSize = Le32(&data[14]);
  if (headerSize < 40 || headerSize > data.size() - 14) return error = "unsupported bitmap header", false;
  const int32_t width = static_cast<int32_t>(Le32(&data[18]));
  const int32_t rawHeight = static_cast<int32_t>(Le32(&data[22]));
  const uint16_t planes = Le16(&data[26]);
  const uint16_t bits = Le16(&data[28]);
  const uint32_t compression = Le32(&data[30]);
  uint32_t colorsUsed = Le32(&data[46]);
  if (planes != 1) return error = "bitmap planes must be 1", false;
  if (compression != 0 && !(compression == 3 && bits == 32)) return error = "compressed bitmaps are not supported", false;
  if (bits != 8 && bits != 24 && bits != 32) return error = "bitmap depth must be 8, 24 or 32 bits", false;
  if (rawHeight == INT32_MIN) return error = "bad bitmap size", false;
  const bool topDown = rawHeight < 0;
  const int32_t height = topDown ? -rawHeight : rawHeight;
  if (width <= 0 || height <= 0 || static_cast<int64_t>(width) * height > kMaxPixels)
    return error = "bad bitmap size", false;

  uint32_t palette[256] = {};
  if (bits == 8) {
    if (colorsUsed == 0 || colorsUsed > 256) colorsUsed = 256;
    const size_t paletteAt = 14 + headerSize;
    if (paletteAt + colorsUsed * 4 > data.size()) return error = "bitmap palette is cut short", false;
    for (uint32_t i = 0; i < colorsUsed; ++i) {
      const uint8_t* p = &data[paletteAt + i * 4];
      palette[i] = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
    }
  }
  const size_t stride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
  if (pixelOffset > data.size() || stride * height > data.size() - pixelOffset)
    return error = "bitmap pixels are cut short", false;

  picture.Width = width;
  picture.Height = height;
  picture.BitsPerPixel = bits;
  picture.Pixels.assign(static_cast<size_t>(width) * height, 0);
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = &data[pixelOffset + stride * static_cast<size_t>(topDown ? y : height - 1 - y)];
    uint32_t* out = &picture.Pixels[static_cast<size_t>(y) * width];
    for (int32_t x = 0; x < width; ++x) {
      if (bits == 8) {
        out[x] = palette[row[x]] | 0xFF000000u;
      } else {
        const uint8_t* p = row + x * (bits / 8);
        // The fourth byte of a 32-bit bitmap is not transparency: pixels are opaque.
        out[x] = 0xFF000000u | (p[2] << 16) | (p[1] << 8) | p[0];
      }
    }
  }
  return true;
}

bool DecodePng(const std::vector<uint8_t>& data, TPicture& picture, std::string& error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, data.data(), data.size())) {
    error = std::string("bad PNG: ") + image.message;
    return false;
  }
  if (image.width == 0 || image.height == 0 ||
      static_cast<int64_t>(image.width) * image.height > kMaxPixels) {
    png_image_free(&image);
    return error = "bad PNG size", false;
  }
  const int32_t bits = (image.format & PNG_FORMAT_FLAG_COLORMAP) ? 8 : 32;
  image.format = PNG_FORMAT_BGRA;  // 0xAARRGGBB in memory on a little-endian machine
  std::vector<uint32_t> pixels(static_cast<size_t>(image.width) * image.height);
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    error = std::string("bad PNG: ") + image.message;
    png_image_free(&image);
    return false;
  }
  picture.Width = static_cast<int32_t>(image.width);
  picture.Height = static_cast<int32_t>(image.height);
  picture.BitsPerPixel = bits;
  picture.Pixels = std::move(pixels);
  return true;
}

}  // namespace

bool DecodePicture(const std::vector<uint8_t>& data, TPicture& picture, std::string& error) {
  picture = TPicture{};
  if (data.size() >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, picture, error);
  if (data.size() >= 8 && png_sig_cmp(data.data(), 0, 8) == 0) return DecodePng(data, picture, error);
  error = "not a BMP or PNG picture";
  return false;
}

bool LoadPictureFile(const std::string& path, TPicture& picture, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open '" + path + "'";
    return false;
  }
  const std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!DecodePicture(data, picture, error)) {
    error = path + ": " + error;
    picture = TPicture{};
    return false;
  }
  return true;
}

}  // namespace lr
