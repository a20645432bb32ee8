// Picture decoding: bitmaps of 8, 24 and 32 bits in both row orders, palette and RGBA PNGs, and
// every kind of damaged file refused with a message instead of a crash or a read past the data.
#include "platform/PictureFile.h"

#include "support/RunProgram.h"

#include <gtest/gtest.h>
#include <png.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace lr {
namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint32_t v) {
  b[at] = v & 0xFF;
  b[at + 1] = (v >> 8) & 0xFF;
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// A bitmap as a paint program writes it. pixels are ARGB row by row from the top (palette
// indices for 8 bits); a negative height stores the rows top-down.
struct TBmp {
  int32_t Width = 0;
  int32_t Height = 0;
  int Bits = 24;
  std::vector<uint32_t> Pixels;
  std::vector<uint32_t> Palette;  // 8 bits: RGB entries
  uint32_t HeaderSize = 40;
  uint32_t ColorsUsed = 0;        // 0: the full 256 entries are written
  uint32_t Compression = 0;
  uint32_t Gap = 0;               // unused bytes between the palette and the pixels

  Bytes Encode() const {
    const int32_t rows = Height < 0 ? -Height : Height;
    const size_t stride = ((static_cast<size_t>(Width) * Bits + 31) / 32) * 4;
    const size_t paletteEntries = Bits == 8 ? (ColorsUsed ? ColorsUsed : 256) : 0;
    const size_t masks = Compression == 3 ? 12 : 0;
    const size_t pixelOffset = 14 + HeaderSize + masks + paletteEntries * 4 + Gap;
    Bytes b(pixelOffset + stride * rows, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(b.size()));
    Put32(b, 10, static_cast<uint32_t>(pixelOffset));
    Put32(b, 14, HeaderSize);
    Put32(b, 18, static_cast<uint32_t>(Width));
    Put32(b, 22, static_cast<uint32_t>(Height));
    Put16(b, 26, 1);
    Put16(b, 28, static_cast<uint32_t>(Bits));
    Put32(b, 30, Compression);
    Put32(b, 34, static_cast<uint32_t>(stride * rows));
    Put32(b, 46, ColorsUsed);
    if (masks) {
      Put32(b, 14 + HeaderSize, 0x00FF0000);
      Put32(b, 14 + HeaderSize + 4, 0x0000FF00);
      Put32(b, 14 + HeaderSize + 8, 0x000000FF);
    }
    for (size_t i = 0; i < Palette.size() && i < paletteEntries; ++i)
      Put32(b, 14 + HeaderSize + masks + i * 4, Palette[i] & 0xFFFFFF);
    for (int32_t y = 0; y < rows; ++y) {
      const int32_t stored = Height < 0 ? y : rows - 1 - y;
      uint8_t* row = &b[pixelOffset + stride * stored];
      for (int32_t x = 0; x < Width; ++x) {
        const uint32_t p = Pixels[static_cast<size_t>(y) * Width + x];
        if (Bits == 8) {
          row[x] = static_cast<uint8_t>(p);
        } else {
          uint8_t* q = row + x * (Bits / 8);
          q[0] = p & 0xFF;
          q[1] = (p >> 8) & 0xFF;
          q[2] = (p >> 16) & 0xFF;
          if (Bits == 32) q[3] = static_cast<uint8_t>(p >> 24);
        }
      }
      // Padding bytes carry junk in some files; they must be skipped, not read as pixels.
      for (size_t pad = static_cast<size_t>(Width) * Bits / 8; pad < stride; ++pad) row[pad] = 0xAB;
    }
    return b;
  }
};

// 3 × 2 at 24 bits: rows of 9 bytes padded to 12.
TBmp Bmp24() {
  TBmp bmp;
  bmp.Width = 3;
  bmp.Height = 2;
  bmp.Bits = 24;
  bmp.Pixels = {0xFF102030, 0xFF405060, 0xFF708090, 0xFFFF00FF, 0xFF000000, 0xFFFFFFFF};
  return bmp;
}

// 5 × 3 at 8 bits with a four-colour palette: rows of 5 bytes padded to 8.
TBmp Bmp8() {
  TBmp bmp;
  bmp.Width = 5;
  bmp.Height = 3;
  bmp.Bits = 8;
  bmp.ColorsUsed = 4;
  bmp.Palette = {0xFF00FF, 0x123456, 0xFFFFFF, 0x000000};
  bmp.Pixels = {0, 1, 2, 3, 0, 1, 1, 1, 1, 1, 3, 2, 1, 0, 3};
  return bmp;
}

std::vector<uint32_t> Opaque(const TBmp& bmp) {
  std::vector<uint32_t> out;
  for (uint32_t p : bmp.Pixels) out.push_back(bmp.Bits == 8 ? 0xFF000000u | bmp.Palette[p] : 0xFF000000u | p);
  return out;
}

bool Decode(const Bytes& data, TPicture& picture, std::string& error) {
  error.clear();
  return DecodePicture(data, picture, error);
}

// Refused, with a reason, leaving no picture behind.
void ExpectRefused(const Bytes& data, const std::string& what) {
  TPicture picture;
  picture.Width = 7;
  picture.Height = 7;
  std::string error;
  EXPECT_FALSE(Decode(data, picture, error)) << what;
  EXPECT_FALSE(error.empty()) << what;
  EXPECT_TRUE(picture.Empty()) << what;
  EXPECT_TRUE(picture.Pixels.empty()) << what;
}

// [SECTION] PNG helpers (written with libpng's simplified API)

Bytes WritePngMemory(png_image& image, const void* pixels, const void* colormap) {
  png_alloc_size_t size = 0;
  EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, pixels, 0, colormap)) << image.message;
  Bytes out(size);
  EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, pixels, 0, colormap)) << image.message;
  out.resize(size);
  return out;
}

Bytes RgbaPng(int w, int h, const std::vector<uint32_t>& argb) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = PNG_FORMAT_RGBA;
  Bytes rgba;
  for (uint32_t p : argb) {
    rgba.push_back((p >> 16) & 0xFF);
    rgba.push_back((p >> 8) & 0xFF);
    rgba.push_back(p & 0xFF);
    rgba.push_back(p >> 24);
  }
  return WritePngMemory(image, rgba.data(), nullptr);
}

Bytes PalettePng(int w, int h, const std::vector<uint32_t>& paletteArgb, const Bytes& indices) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = w;
  image.height = h;
  image.format = PNG_FORMAT_RGBA_COLORMAP;
  image.colormap_entries = static_cast<png_uint_32>(paletteArgb.size());
  Bytes colormap;
  for (uint32_t p : paletteArgb) {
    colormap.push_back((p >> 16) & 0xFF);
    colormap.push_back((p >> 8) & 0xFF);
    colormap.push_back(p & 0xFF);
    colormap.push_back(p >> 24);
  }
  return WritePngMemory(image, indices.data(), colormap.data());
}

uint32_t Crc32(const uint8_t* p, size_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

// A PNG whose header claims width × height, followed by a tiny (wrong) image data chunk.
Bytes PngClaiming(uint32_t width, uint32_t height) {
  Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  auto chunk = [&b](const char* type, const Bytes& data) {
    const size_t start = b.size();
    b.resize(start + 12 + data.size());
    for (int i = 0; i < 4; ++i) b[start + i] = static_cast<uint8_t>(data.size() >> (24 - 8 * i));
    std::memcpy(&b[start + 4], type, 4);
    std::copy(data.begin(), data.end(), b.begin() + start + 8);
    const uint32_t crc = Crc32(&b[start + 4], 4 + data.size());
    for (int i = 0; i < 4; ++i) b[start + 8 + data.size() + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  };
  Bytes ihdr(13, 0);
  for (int i = 0; i < 4; ++i) {
    ihdr[i] = static_cast<uint8_t>(width >> (24 - 8 * i));
    ihdr[4 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
  }
  ihdr[8] = 8;  // bit depth
  ihdr[9] = 6;  // RGBA
  chunk("IHDR", ihdr);
  chunk("IDAT", {0x78, 0x9C, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01});
  chunk("IEND", {});
  return b;
}

// [SECTION] Bitmaps

TEST(PictureBmpTest, TwentyFourBitBottomUpWithRowPadding) {
  const TBmp bmp = Bmp24();
  TPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(bmp.Encode(), picture, error)) << error;
  EXPECT_EQ(picture.Width, 3);
  EXPECT_EQ(picture.Height, 2);
  EXPECT_EQ(picture.BitsPerPixel, 24);
  EXPECT_EQ(picture.Pixels, Opaque(bmp));
}

TEST(PictureBmpTest, TopDownRowsComeOutInTheSameOrder) {
  TBmp bmp = Bmp24();
  bmp.Height = -2;
  TPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(bmp.Encode(), picture, error)) << error;
  EXPECT_EQ(picture.Height, 2);
  EXPECT_EQ(picture.Pixels, Opaque(Bmp24()));
}

TEST(PictureBmpTest, EightBitThroughItsPalette) {
  TBmp bmp = Bmp8();
  TPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(bmp.Encode(), picture, error)) << error;
  EXPECT_EQ(picture.BitsPerPixel, 8);
  EXPECT_EQ(picture.Pixels, Opaque(bmp));
  EXPECT_EQ(picture.Pixels[0], 0xFFFF00FFu);  // the colour key survives as opaque magenta

  // A full 256-entry palette (colours used 0), stored top-down.
  bmp.ColorsUsed = 0;
  bmp.Height = -3;
  bmp.Palette.resize(256, 0x777777);
  ASSERT_TRUE(Decode(bmp.Encode(), picture, error)) << error;
  EXPECT_EQ(picture.Pixels, Opaque(Bmp8()));

  // A longer header and a gap before the pixels: the offsets in the file are followed.
  TBmp v5 = Bmp8();
  v5.HeaderSize = 124;
  v5.Gap = 6;
  ASSERT_TRUE(Decode(v5.Encode(), picture, error)) << error;
  EXPECT_EQ(picture.Pixels, Opaque(v5));
}

TEST(PictureBmpTest, ThirtyTwoBitIsOpaqueWhateverTheFourthByte) {
  TBmp bmp;
  bmp.Width = 2;
  bmp.Height = 2;
  bmp.Bits = 32;
  bmp.Pixels = {0x00000000, 0x80FF0000, 0x1200FF00, 0xFF0000FF};
  TPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(bmp.Encode(), picture, error)) << error;
  EXPECT_EQ(picture.BitsPerPixel, 32);
  EXPECT_EQ(picture.Pixels, (std::vector<uint32_t>{0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
  bmp.Compression = 3;  // with the usual colour masks
  ASSERT_TRUE(Decode(bmp.Encode(), picture, error)) << error;
  EXPECT_EQ(picture.Pixels, (std::vector<uint32_t>{0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF}));
}

TEST(PictureBmpTest, CutShortFilesAreRefused) {
  ExpectRefused({}, "empty");
  ExpectRefused({'B'}, "one byte");
  ExpectRefused({'B', 'M'}, "signature only");
  const Bytes whole = Bmp24().Encode();
  ExpectRefused(Bytes(whole.begin(), whole.begin() + 30), "file header and part of the info header");
  ExpectRefused(Bytes(whole.begin(), whole.begin() + 53), "one byte short of the headers");
  ExpectRefused(Bytes(whole.begin(), whole.end() - 1), "last row's padding missing");
  ExpectRefused(Bytes(whole.begin(), whole.end() - 12), "last row missing");

  TBmp bmp = Bmp8();
  bmp.ColorsUsed = 256;
  bmp.Palette.resize(256);
  const Bytes full = bmp.Encode();
  ExpectRefused(Bytes(full.begin(), full.begin() + 54 + 40), "palette cut after ten entries");
  // The pixels claim to start right after the header and fit; the palette does not.
  Bytes overlapping(full.begin(), full.begin() + 54 + 24);
  Put32(overlapping, 10, 54);
  ExpectRefused(overlapping, "palette longer than the file");

  // Every shorter prefix of a good file is refused.
  for (const Bytes& good : {Bmp24().Encode(), Bmp8().Encode()})
    for (size_t n = 0; n < good.size(); ++n) {
      TPicture picture;
      std::string error;
      ASSERT_FALSE(Decode(Bytes(good.begin(), good.begin() + n), picture, error)) << n;
      ASSERT_FALSE(error.empty()) << n;
    }
}

TEST(PictureBmpTest, ImpossibleSizesAreRefused) {
  struct TCase {
    int32_t Width, Height;
    const char* What;
  };
  for (const TCase& c : {TCase{0, 2, "zero width"}, TCase{3, 0, "zero height"}, TCase{-3, 2, "negative width"},
                         TCase{3, INT32_MIN, "most negative height"}, TCase{100000, 100000, "ten billion pixels"},
                         TCase{INT32_MAX, 1, "widest"}, TCase{1, INT32_MAX, "tallest"},
                         TCase{70000, -70000, "huge top-down"}}) {
    Bytes data = Bmp24().Encode();
    Put32(data, 18, static_cast<uint32_t>(c.Width));
    Put32(data, 22, static_cast<uint32_t>(c.Height));
    ExpectRefused(data, c.What);
  }
}

TEST(PictureBmpTest, UnsupportedFormsAreRefused) {
  for (int bits : {0, 1, 4, 16, 48}) {
    Bytes data = Bmp24().Encode();
    Put16(data, 28, static_cast<uint32_t>(bits));
    ExpectRefused(data, "depth " + std::to_string(bits));
  }
  for (uint32_t compression : {1u, 2u, 4u, 5u, 3u}) {  // RLE8, RLE4, JPEG, PNG, masks on 24 bits
    Bytes data = Bmp24().Encode();
    Put32(data, 30, compression);
    ExpectRefused(data, "compression " + std::to_string(compression));
  }
  Bytes planes = Bmp24().Encode();
  Put16(planes, 26, 2);
  ExpectRefused(planes, "two planes");
  Bytes core = Bmp24().Encode();
  Put32(core, 14, 12);  // the old 12-byte header
  ExpectRefused(core, "core header");
  Bytes hugeHeader = Bmp24().Encode();
  Put32(hugeHeader, 14, 0xFFFFFFF0u);
  ExpectRefused(hugeHeader, "header larger than the file");
  for (uint32_t offset : {0xFFFFFFFFu, 0x80000000u, 100u}) {
    Bytes data = Bmp24().Encode();
    Put32(data, 10, offset);
    ExpectRefused(data, "pixel offset " + std::to_string(offset));
  }
  ExpectRefused({'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, "another format");
}

TEST(PictureBmpTest, DamagedBytesNeverLeadOutsideTheData) {
  // Each header byte in turn set to extreme values: whatever the verdict, a picture that is
  // accepted has exactly its size in pixels.
  for (const Bytes& good : {Bmp24().Encode(), Bmp8().Encode()})
    for (size_t at = 0; at < 54 + 16 && at < good.size(); ++at)
      for (uint8_t value : {uint8_t{0x00}, uint8_t{0x7F}, uint8_t{0x80}, uint8_t{0xFF}}) {
        Bytes data = good;
        data[at] = value;
        TPicture picture;
        std::string error;
        if (Decode(data, picture, error)) {
          ASSERT_GT(picture.Width, 0) << at;
          ASSERT_GT(picture.Height, 0) << at;
          ASSERT_EQ(picture.Pixels.size(), static_cast<size_t>(picture.Width) * picture.Height) << at;
        } else {
          ASSERT_FALSE(error.empty()) << at;
        }
      }
}

// [SECTION] PNG

TEST(PicturePngTest, RgbaRoundTripKeepsAlpha) {
  const std::vector<uint32_t> argb = {0xFF102030, 0x80405060, 0x00708090, 0xFFFF00FF, 0x01000000, 0xFFFFFFFF};
  TPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(RgbaPng(3, 2, argb), picture, error)) << error;
  EXPECT_EQ(picture.Width, 3);
  EXPECT_EQ(picture.Height, 2);
  EXPECT_EQ(picture.BitsPerPixel, 32);
  EXPECT_EQ(picture.Pixels, argb);
}

TEST(PicturePngTest, PaletteRoundTripIsEightBit) {
  // "PSmoke"-like: black (the key), greys and one half-transparent entry.
  const std::vector<uint32_t> palette = {0xFF000000, 0xFF808080, 0xFFC0C0C0, 0x80FFFFFF};
  const Bytes indices = {0, 1, 2, 3, 3, 2, 1, 0, 1, 1, 1, 1};
  TPicture picture;
  std::string error;
  ASSERT_TRUE(Decode(PalettePng(4, 3, palette, indices), picture, error)) << error;
  EXPECT_EQ(picture.BitsPerPixel, 8);
  ASSERT_EQ(picture.Pixels.size(), 12u);
  for (size_t i = 0; i < indices.size(); ++i) EXPECT_EQ(picture.Pixels[i], palette[indices[i]]) << i;
}

TEST(PicturePngTest, DamagedFilesAreRefused) {
  const Bytes good = RgbaPng(3, 2, {0xFF102030, 0x80405060, 0x00708090, 0xFFFF00FF, 0x01000000, 0xFFFFFFFF});
  Bytes garbage = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (int i = 0; i < 64; ++i) garbage.push_back(static_cast<uint8_t>(i * 37 + 11));
  ExpectRefused(garbage, "signature then garbage");
  ExpectRefused(Bytes(good.begin(), good.begin() + 8), "signature only");
  ExpectRefused(Bytes(good.begin(), good.begin() + 20), "header chunk cut");
  ExpectRefused(Bytes(good.begin(), good.begin() + good.size() / 2), "half a file");
  Bytes badCrc = good;
  badCrc[29] ^= 0xFF;  // the header chunk's checksum
  ExpectRefused(badCrc, "header checksum wrong");

  // Every prefix that stops before the image data is complete is refused.
  const size_t iend = good.size() - 12;
  for (size_t n = 0; n < iend; ++n) {
    TPicture picture;
    std::string error;
    ASSERT_FALSE(Decode(Bytes(good.begin(), good.begin() + n), picture, error)) << n;
    ASSERT_FALSE(error.empty()) << n;
    ASSERT_TRUE(picture.Pixels.empty()) << n;
  }
}

TEST(PicturePngTest, ImpossibleSizesAreRefused) {
  ExpectRefused(PngClaiming(0, 10), "zero width");
  ExpectRefused(PngClaiming(10, 0), "zero height");
  ExpectRefused(PngClaiming(100000, 100000), "ten billion pixels");
  ExpectRefused(PngClaiming(5000, 5000), "more pixels than any picture of the game");
  ExpectRefused(PngClaiming(0x80000000u, 1), "width beyond the format's limit");
  ExpectRefused(PngClaiming(4, 4), "image data too short for the size");
}

// [SECTION] Files

TEST(PictureFileTest, LoadsFromDiskAndReportsTheFileOnFailure) {
  test::TTempDir dir;
  const Bytes bmp = Bmp24().Encode();
  {
    std::ofstream out(dir.File("pic.bmp"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    std::ofstream bad(dir.File("bad.bmp"), std::ios::binary);
    bad.write(reinterpret_cast<const char*>(bmp.data()), 40);
  }
  TPicture picture;
  std::string error;
  ASSERT_TRUE(LoadPictureFile(dir.File("pic.bmp"), picture, error)) << error;
  EXPECT_EQ(picture.Pixels, Opaque(Bmp24()));

  EXPECT_FALSE(LoadPictureFile(dir.File("bad.bmp"), picture, error));
  EXPECT_NE(error.find("bad.bmp"), std::string::npos) << error;
  EXPECT_TRUE(picture.Empty());

  error.clear();
  EXPECT_FALSE(LoadPictureFile(dir.File("missing.png"), picture, error));
  EXPECT_NE(error.find("missing.png"), std::string::npos) << error;
  EXPECT_TRUE(picture.Empty());
}

}  // namespace
}  // namespace lr
