// PNG output through libpng's simplified API.
#include "platform/PngFile.h"

#include <png.h>

#include <cstring>
#include <vector>

namespace lr {

bool WritePng(const std::string& path, const uint32_t* argb, int width, int height, std::string& error) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  // The back buffer's alpha is a by-product of blending; the screen shows the colour only.
  image.format = PNG_FORMAT_BGR;
  std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    rows[i * 3 + 0] = static_cast<uint8_t>(argb[i]);
    rows[i * 3 + 1] = static_cast<uint8_t>(argb[i] >> 8);
    rows[i * 3 + 2] = static_cast<uint8_t>(argb[i] >> 16);
  }
  if (!png_image_write_to_file(&image, path.c_str(), 0, rows.data(), 0, nullptr)) {
    error = image.message[0] ? image.message : "cannot write";
    png_image_free(&image);
    return false;
  }
  return true;
}

}  // namespace lr
