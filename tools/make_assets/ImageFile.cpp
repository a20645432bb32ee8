#include "ImageFile.h"

#include <cstdio>
#include <stdexcept>

namespace assets {
namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x));
  v.push_back(uint8_t(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}
void Put32BE(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(uint8_t(x >> 24));
  v.push_back(uint8_t(x >> 16));
  v.push_back(uint8_t(x >> 8));
  v.push_back(uint8_t(x));
}

// BITMAPFILEHEADER + BITMAPINFOHEADER for a picture of the given depth.
std::vector<uint8_t> BmpHeader(int w, int h, int bits, uint32_t paletteEntries) {
  uint32_t rowSize = ((uint32_t(w) * bits + 31) / 32) * 4;
  uint32_t offset = 14 + 40 + paletteEntries * 4;
  uint32_t imageSize = rowSize * uint32_t(h);
  std::vector<uint8_t> v;
  v.push_back('B');
  v.push_back('M');
  Put32(v, offset + imageSize);  // bfSize
  Put32(v, 0);                   // bfReserved1, bfReserved2
  Put32(v, offset);              // bfOffBits
  Put32(v, 40);                  // biSize
  Put32(v, uint32_t(w));
  Put32(v, uint32_t(h));  // positive: bottom-up
  Put16(v, 1);            // biPlanes
  Put16(v, uint32_t(bits));
  Put32(v, 0);  // BI_RGB
  Put32(v, imageSize);
  Put32(v, 2835);  // 72 dpi
  Put32(v, 2835);
  Put32(v, paletteEntries);  // biClrUsed
  Put32(v, 0);               // biClrImportant: all
  return v;
}

void PadRow(std::vector<uint8_t>& v, size_t rowStart, uint32_t rowSize) {
  while (v.size() - rowStart < rowSize) v.push_back(0);
}

void Chunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  Put32BE(out, uint32_t(data.size()));
  size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  Put32BE(out, Crc32(&out[start], out.size() - start));
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t n, uint32_t crc) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

uint32_t Adler32(const uint8_t* data, size_t n) {
  uint32_t a = 1, b = 0;
  for (size_t i = 0; i < n; ++i) {
    a = (a + data[i]) % 65521u;
    b = (b + a) % 65521u;
  }
  return (b << 16) | a;
}

std::vector<uint8_t> EncodeBmp24(const Image& img) {
  uint32_t rowSize = ((uint32_t(img.width) * 24 + 31) / 32) * 4;
  std::vector<uint8_t> v = BmpHeader(img.width, img.height, 24, 0);
  for (int y = img.height - 1; y >= 0; --y) {
    size_t start = v.size();
    for (int x = 0; x < img.width; ++x) {
      const uint8_t* p = img.At(x, y);
      v.push_back(p[2]);
      v.push_back(p[1]);
      v.push_back(p[0]);
    }
    PadRow(v, start, rowSize);
  }
  return v;
}

std::vector<uint8_t> EncodeBmp32(const Image& img) {
  std::vector<uint8_t> v = BmpHeader(img.width, img.height, 32, 0);
  for (int y = img.height - 1; y >= 0; --y)
    for (int x = 0; x < img.width; ++x) {
      const uint8_t* p = img.At(x, y);
      v.push_back(p[2]);
      v.push_back(p[1]);
      v.push_back(p[0]);
      v.push_back(255);
    }
  return v;
}

std::vector<uint8_t> EncodeBmp8(const IndexedImage& img) {
  if (img.palette.empty() || img.palette.size() > 256) throw std::runtime_error("bitmap palette must have 1..256 entries");
  uint32_t rowSize = ((uint32_t(img.width) * 8 + 31) / 32) * 4;
  std::vector<uint8_t> v = BmpHeader(img.width, img.height, 8, uint32_t(img.palette.size()));
  for (const auto& c : img.palette) {
    v.push_back(c[2]);
    v.push_back(c[1]);
    v.push_back(c[0]);
    v.push_back(0);
  }
  for (int y = img.height - 1; y >= 0; --y) {
    size_t start = v.size();
    for (int x = 0; x < img.width; ++x) v.push_back(img.index[size_t(y) * img.width + x]);
    PadRow(v, start, rowSize);
  }
  return v;
}

namespace {

// A PNG of the given header, palette (may be empty) and raw scanlines (each led by its filter
// byte), the scanlines in a zlib stream of stored blocks.
std::vector<uint8_t> EncodePng(int width, int height, uint8_t colourType, const std::vector<uint8_t>& plte,
                               const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  Put32BE(ihdr, uint32_t(width));
  Put32BE(ihdr, uint32_t(height));
  ihdr.push_back(8);           // bit depth
  ihdr.push_back(colourType);  // 3: palette, 6: RGBA
  ihdr.push_back(0);           // deflate
  ihdr.push_back(0);           // adaptive filtering
  ihdr.push_back(0);           // no interlace
  Chunk(out, "IHDR", ihdr);
  if (!plte.empty()) Chunk(out, "PLTE", plte);
  std::vector<uint8_t> z = {0x78, 0x01};
  size_t pos = 0;
  do {
    size_t n = std::min<size_t>(65535, raw.size() - pos);
    bool last = pos + n == raw.size();
    z.push_back(last ? 1 : 0);
    Put16(z, uint32_t(n));
    Put16(z, uint32_t(~n & 0xFFFF));
    z.insert(z.end(), raw.begin() + ptrdiff_t(pos), raw.begin() + ptrdiff_t(pos + n));
    pos += n;
  } while (pos < raw.size());
  Put32BE(z, Adler32(raw.data(), raw.size()));
  Chunk(out, "IDAT", z);
  Chunk(out, "IEND", {});
  return out;
}

}  // namespace

std::vector<uint8_t> EncodePngIndexed(const IndexedImage& img) {
  if (img.palette.empty() || img.palette.size() > 256) throw std::runtime_error("PNG palette must have 1..256 entries");
  std::vector<uint8_t> plte;
  for (const auto& c : img.palette) plte.insert(plte.end(), c.begin(), c.end());
  // Raw scanlines, each with filter type 0.
  std::vector<uint8_t> raw;
  for (int y = 0; y < img.height; ++y) {
    raw.push_back(0);
    raw.insert(raw.end(), img.index.begin() + ptrdiff_t(y) * img.width,
               img.index.begin() + ptrdiff_t(y + 1) * img.width);
  }
  return EncodePng(img.width, img.height, 3, plte, raw);
}

std::vector<uint8_t> EncodePngRgba(const Canvas& c) {
  std::vector<uint8_t> raw;
  raw.reserve(size_t(c.Height()) * (size_t(c.Width()) * 4 + 1));
  for (int y = 0; y < c.Height(); ++y) {
    raw.push_back(0);
    for (int x = 0; x < c.Width(); ++x) {
      // The canvas is premultiplied; a PNG stores straight colour.
      const Rgba p = c.At(x, y);
      const double a = Clamp01(p.a);
      const double k = a > 0 ? 1.0 / a : 0.0;
      raw.push_back(To8(p.r * k));
      raw.push_back(To8(p.g * k));
      raw.push_back(To8(p.b * k));
      raw.push_back(To8(a));
    }
  }
  return EncodePng(c.Width(), c.Height(), 6, {}, raw);
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  size_t n = std::fwrite(bytes.data(), 1, bytes.size(), f);
  int closed = std::fclose(f);
  if (n != bytes.size() || closed != 0) throw std::runtime_error("cannot write " + path);
}

}  // namespace assets
